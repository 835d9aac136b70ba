#include "main_window/toolbar.h"

#include "resources/resource.h"

int toolbar_tooltip_string(int commandId) {
    switch (commandId) {
    case IDM_CLEAR:
        return IDS_TIP_CLEAR;
    case IDM_OPEN:
        return IDS_TIP_OPEN;
    case IDM_SAVEAS:
        return IDS_TIP_SAVEAS;
    case IDM_CUT:
        return IDS_TIP_CUT;
    case IDM_COPY:
        return IDS_TIP_COPY;
    case IDM_PASTE:
        return IDS_TIP_PASTE;
    case IDM_UNDO:
        return IDS_TIP_UNDO;
    case IDM_FONT:
        return IDS_TIP_FONT;
    case IDM_NARROWER:
        return IDS_TIP_NARROWER;
    case IDM_WIDER:
        return IDS_TIP_WIDER;
    case IDM_CONVERT:
        return IDS_TIP_CONVERT;
    default:
        return 0;
    }
}
