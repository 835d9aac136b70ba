#include "window/pane_rects.h"

PaneRect toolbarRect;
PaneRect statusBarRect;
PaneRect imagePaneRect;
PaneRect editorPaneRect;
