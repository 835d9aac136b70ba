// Drops from browsers and other programs: a data object of each kind, handed to the window in
// this process, converts to the same text as the same picture opened as a file.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/common/document.h"
#include "window/document_state.h"
#include "core/conversion/geometry.h"
#include "main_window/commands.h"
#include "main_window/drop.h"
#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"

namespace {

// A data object offering the given formats, each as memory or (stream) as a stream; it notes
// every format asked for with GetData.
class Offered final : public IDataObject {
  public:
    struct Entry {
        CLIPFORMAT format;
        std::string bytes;
        bool stream = false;
    };
    explicit Offered(std::vector<Entry> entries) : entries_(std::move(entries)) {}
    std::vector<CLIPFORMAT> asked;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *out = static_cast<IDataObject *>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; } // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC *format, STGMEDIUM *medium) override {
        const Entry *e = find(format);
        if (e == nullptr)
            return DV_E_FORMATETC;
        asked.push_back(e->format);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, e->bytes.size());
        std::memcpy(GlobalLock(block), e->bytes.data(), e->bytes.size());
        GlobalUnlock(block);
        *medium = STGMEDIUM{};
        if (e->stream) {
            medium->tymed = TYMED_ISTREAM;
            return CreateStreamOnHGlobal(block, TRUE, &medium->pstm);
        }
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC *format) override {
        return find(format) != nullptr ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC *, STGMEDIUM *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC *, FORMATETC *) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC *, STGMEDIUM *, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC *, DWORD, IAdviseSink *, DWORD *) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA **) override { return E_NOTIMPL; }

  private:
    const Entry *find(const FORMATETC *format) const {
        for (const Entry &e : entries_)
            if (e.format == format->cfFormat &&
                (format->tymed & (e.stream ? TYMED_ISTREAM : TYMED_HGLOBAL)) != 0)
                return &e;
        return nullptr;
    }
    std::vector<Entry> entries_;
};

CLIPFORMAT named(const wchar_t *name) {
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name));
}

std::string hdrop_of(const std::string &path) {
    std::wstring wide(path.begin(), path.end()); // the test's paths are ASCII
    DROPFILES head{};
    head.pFiles = sizeof head;
    head.fWide = TRUE;
    std::string bytes(reinterpret_cast<const char *>(&head), sizeof head);
    bytes.append(reinterpret_cast<const char *>(wide.c_str()), (wide.size() + 1) * 2);
    bytes.append(2, '\0');
    return bytes;
}

std::string descriptor_of(const wchar_t *name, uint64_t size) {
    FILEGROUPDESCRIPTORW group{};
    group.cItems = 1;
    group.fgd[0].dwFlags = FD_FILESIZE;
    group.fgd[0].nFileSizeLow = DWORD(size);
    group.fgd[0].nFileSizeHigh = DWORD(size >> 32);
    wcsncpy(group.fgd[0].cFileName, name, MAX_PATH - 1);
    return std::string(reinterpret_cast<const char *>(&group), sizeof group);
}

class Drop : public WindowTest {
  protected:
    std::string converted() {
        const std::vector<ModalDialog> seen = command_run(IDM_CONVERT);
        EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
        return editor_text();
    }
    std::string file_converted(const std::string &path) {
        command_open_path(path.c_str());
        EXPECT_TRUE(imageLoaded) << path;
        const std::string text = converted();
        command_run(IDM_CLEAR);
        return text;
    }
    // The drop opened with no dialog, its title as given, converted.
    std::string dropped(Offered &data, const char *title) {
        modal_driver_begin();
        EXPECT_TRUE(drop_data_open(&data)) << title;
        const std::vector<ModalDialog> seen = modal_driver_end();
        EXPECT_TRUE(seen.empty()) << title << "\n" << dialogs_describe(seen);
        EXPECT_TRUE(imageLoaded) << title;
        EXPECT_STREQ(docTitle, title);
        const std::string text = converted();
        command_run(IDM_CLEAR);
        return text;
    }
};

} // namespace

TEST_F(Drop, EachKindConvertsAsTheFileOpened) {
    ASSERT_NE(app_start(), nullptr);
    const std::string bmpPath = startDir + "\\photo.bmp";
    bmp_write(bmpPath, 37, 23, [](int32_t x, int32_t y) { return photo_pixel(x, y, 37, 23); });
    const std::string bmp = file_read(bmpPath);
    const std::string pngPath = std::string(VKD_PICTURES_DIR) + "/photo-320.png";
    const std::string png = file_read(pngPath);
    ASSERT_NE(png, "<missing>");
    const std::string fromBmp = file_converted(bmpPath);
    const std::string fromPng = file_converted(pngPath);
    ASSERT_FALSE(fromPng.empty());

    Offered files({{CF_HDROP, hdrop_of(bmpPath)}, {named(L"PNG"), png}});
    EXPECT_EQ(dropped(files, "photo"), fromBmp); // files first
    Offered contents(
        {{named(L"FileGroupDescriptorW"), descriptor_of(L"downloads\\dropped.png", png.size())},
         {named(L"FileContents"), png, true},
         {CF_DIB, bmp.substr(14)}});
    EXPECT_EQ(dropped(contents, "dropped"), fromPng);
    Offered pngFirst({{CF_DIB, bmp.substr(14)}, {named(L"PNG"), png}, {CF_UNICODETEXT, "h\0\0\0"}});
    EXPECT_EQ(dropped(pngFirst, "無題"), fromPng);
    Offered dibv5({{CF_DIBV5, bmp.substr(14)}, {CF_DIB, std::string(64, '\x40')}});
    EXPECT_EQ(dropped(dibv5, "無題"), fromBmp);
    Offered dib({{CF_DIB, bmp.substr(14)}});
    EXPECT_EQ(dropped(dib, "無題"), fromBmp);
}

TEST_F(Drop, LinksTextAndTooLargeAreRefusedUnread) {
    ASSERT_NE(app_start(), nullptr);
    const std::string png = file_read(std::string(VKD_PICTURES_DIR) + "/photo-320.png");
    struct {
        const char *name;
        Offered data;
        std::string message;
    } cases[] = {
        {"a link", Offered({{named(L"UniformResourceLocatorW"), std::string("h\0t\0\0\0", 6)}}),
         dropOnlyPicturesText},
        {"text", Offered({{CF_UNICODETEXT, std::string("h\0\0\0", 4)}}), dropOnlyPicturesText},
        // Claims more than the budget: its contents are never asked for.
        {"65 MiB of file contents",
         Offered({{named(L"FileGroupDescriptorW"), descriptor_of(L"big.png", uint64_t(65) << 20)},
                  {named(L"FileContents"), png, true}}),
         "ファイルが大きすぎて読み込めません (64 MiB まで)。"},
    };
    for (auto &c : cases) {
        modal_driver_begin();
        modal_expect(modal_press(IDOK));
        drop_data_open(&c.data);
        const std::vector<ModalDialog> seen = modal_driver_end();
        ASSERT_EQ(seen.size(), 1u) << c.name << "\n" << dialogs_describe(seen);
        EXPECT_EQ(seen[0].icon, ModalIcon::warning) << c.name;
        EXPECT_EQ(seen[0].text, c.message) << c.name;
        EXPECT_FALSE(imageLoaded) << c.name;
        for (CLIPFORMAT f : c.data.asked)
            EXPECT_NE(f, named(L"FileContents")) << c.name;
    }
}
