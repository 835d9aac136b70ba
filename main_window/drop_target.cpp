// The drop target: what a drop offers is read in the order drop_source_choose gives, its size
// checked before a byte is copied, and the picture opened as Open or the clipboard opens one.
#include "main_window/drop.h"

#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "core/reading/clipboard_dib.h"
#include "core/common/document.h"
#include "core/reading/load.h"
#include "window/document_state.h"
#include "main_window/commands.h"
#include "main_window/main_window.h"
#include "window/wide.h"

namespace {

CLIPFORMAT format_named(const wchar_t *name) {
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name));
}

FORMATETC format_of(CLIPFORMAT format, DWORD tymed = TYMED_HGLOBAL, LONG index = -1) {
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, index, tymed};
}

bool offers(IDataObject *data, FORMATETC format) {
    return data->QueryGetData(&format) == S_OK;
}

DropOffer offer_of(IDataObject *data) {
    DropOffer offer;
    offer.files = offers(data, format_of(CF_HDROP));
    offer.fileContents =
        offers(data, format_of(format_named(L"FileGroupDescriptorW"))) &&
        offers(data, format_of(format_named(L"FileContents"), TYMED_HGLOBAL | TYMED_ISTREAM, 0));
    offer.png = offers(data, format_of(format_named(L"PNG")));
    offer.dibv5 = offers(data, format_of(CF_DIBV5));
    offer.dib = offers(data, format_of(CF_DIB));
    offer.linkOrText = offers(data, format_of(CF_UNICODETEXT)) ||
                       offers(data, format_of(CF_TEXT)) ||
                       offers(data, format_of(format_named(L"UniformResourceLocatorW")));
    return offer;
}

enum class Read { ok, failed, tooLarge };

// The bytes of a medium (memory or a stream), the size judged before any is copied.
Read medium_bytes(const STGMEDIUM &medium, std::vector<uint8_t> &bytes) {
    if (medium.tymed == TYMED_HGLOBAL) {
        const size_t size = GlobalSize(medium.hGlobal);
        if (!drop_size_fits(size))
            return size == 0 ? Read::failed : Read::tooLarge;
        const auto *p = static_cast<const uint8_t *>(GlobalLock(medium.hGlobal));
        if (p == nullptr)
            return Read::failed;
        bytes.assign(p, p + size);
        GlobalUnlock(medium.hGlobal);
        return Read::ok;
    }
    if (medium.tymed != TYMED_ISTREAM || medium.pstm == nullptr)
        return Read::failed;
    STATSTG stat{};
    if (SUCCEEDED(medium.pstm->Stat(&stat, STATFLAG_NONAME)) &&
        stat.cbSize.QuadPart > dropByteLimit)
        return Read::tooLarge;
    // A stream that does not know its size is read to the budget and one byte more.
    uint8_t block[65536];
    for (;;) {
        ULONG n = 0;
        if (FAILED(medium.pstm->Read(block, sizeof block, &n)) || n == 0)
            break;
        if (bytes.size() + n > dropByteLimit)
            return Read::tooLarge;
        bytes.insert(bytes.end(), block, block + n);
    }
    return bytes.empty() ? Read::failed : Read::ok;
}

Read data_bytes(IDataObject *data, FORMATETC format, std::vector<uint8_t> &bytes) {
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium)))
        return Read::failed;
    const Read read = medium_bytes(medium, bytes);
    ReleaseStgMedium(&medium);
    return read;
}

// The first file's name, and whether its size (when given) is within the budget.
bool descriptor_name(IDataObject *data, std::string &name) {
    FORMATETC format = format_of(format_named(L"FileGroupDescriptorW"));
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium)))
        return true;
    bool fits = true;
    const auto *group = static_cast<const FILEGROUPDESCRIPTORW *>(GlobalLock(medium.hGlobal));
    if (group != nullptr && GlobalSize(medium.hGlobal) >= sizeof(FILEGROUPDESCRIPTORW) &&
        group->cItems > 0) {
        const FILEDESCRIPTORW &file = group->fgd[0];
        std::wstring wide(file.cFileName, wcsnlen(file.cFileName, MAX_PATH));
        name = drop_file_name(utf8_of(wide));
        if (file.dwFlags & FD_FILESIZE)
            fits = (uint64_t(file.nFileSizeHigh) << 32 | file.nFileSizeLow) <= dropByteLimit;
    }
    if (group != nullptr)
        GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return fits;
}

// The data is over the budget before any of it is copied: the limit of a file read whole.
void too_large() {
    message_show(Message{"ファイルが大きすぎて読み込めません (64 MiB まで)。", MessageIcon::warning});
}

void open_bytes(const std::vector<uint8_t> &file, const std::string &name, bool fitted) {
    if (name.empty())
        doc_title_reset();
    else
        doc_title_from_file_name(name.c_str());
    const int32_t w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const LoadResult loaded =
        fitted ? bitmap_load_memory_fitted(conversion, file.data(), file.size(), w, h)
               : bitmap_load_memory(conversion, file.data(), file.size(), w, h);
    if (loaded.outcome == LoadOutcome::refused) // as a refused file does
        doc_title_reset();
    command_open_loaded(loaded);
}

// A picture read from one format: PNG as it is, a DIB made a BMP file.
bool open_format(IDataObject *data, CLIPFORMAT format, bool dib) {
    std::vector<uint8_t> bytes;
    const Read read = data_bytes(data, format_of(format), bytes);
    if (read == Read::tooLarge) {
        too_large();
        return true;
    }
    if (read == Read::failed) {
        message_show(Message{openFailedText, MessageIcon::error});
        return true;
    }
    std::vector<uint8_t> file = dib ? dib_to_bmp_file(bytes.data(), bytes.size()) : bytes;
    open_bytes(file.empty() ? bytes : file, "", true);
    return true;
}

class DropTarget final : public IDropTarget {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        if (out == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *out = static_cast<IDropTarget *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject *data, DWORD, POINTL, DWORD *effect) override {
        taken_ = data != nullptr && drop_source_choose(offer_of(data)) != DropSource::none;
        return DragOver(0, {}, effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD *effect) override {
        if (effect != nullptr)
            *effect = taken_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject *data, DWORD, POINTL, DWORD *effect) override {
        const bool opened = data != nullptr && drop_data_open(data);
        if (effect != nullptr)
            *effect = opened ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }

  private:
    ~DropTarget() = default;
    LONG refs_ = 1;
    bool taken_ = false;
};

} // namespace

bool drop_data_open(IDataObject *data) {
    switch (drop_source_choose(offer_of(data))) {
    case DropSource::files: {
        FORMATETC format = format_of(CF_HDROP);
        STGMEDIUM medium{};
        if (FAILED(data->GetData(&format, &medium)))
            return false;
        std::wstring path;
        auto drop = static_cast<HDROP>(medium.hGlobal);
        if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
            path.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
            path.resize(DragQueryFileW(drop, 0, &path[0], static_cast<UINT>(path.size())));
        }
        ReleaseStgMedium(&medium); // the source is not kept waiting on a message box
        if (!path.empty())
            command_open_path(utf8_of(path).c_str());
        return !path.empty();
    }
    case DropSource::fileContents: {
        std::string name;
        if (!descriptor_name(data, name)) {
            too_large();
            return true;
        }
        std::vector<uint8_t> bytes;
        const Read read = data_bytes(
            data, format_of(format_named(L"FileContents"), TYMED_HGLOBAL | TYMED_ISTREAM, 0),
            bytes);
        if (read == Read::tooLarge)
            too_large();
        else if (read == Read::failed)
            message_show(Message{openFailedText, MessageIcon::error});
        else
            open_bytes(bytes, name, false);
        return true;
    }
    case DropSource::png:
        return open_format(data, format_named(L"PNG"), false);
    case DropSource::dibv5:
        return open_format(data, CF_DIBV5, true);
    case DropSource::dib:
        return open_format(data, CF_DIB, true);
    case DropSource::notPicture:
        message_show(Message{dropOnlyPicturesText, MessageIcon::warning});
        return false;
    case DropSource::none:
        break;
    }
    return false;
}

void drop_target_register(HWND window) {
    if (FAILED(OleInitialize(nullptr)))
        return; // Explorer's drops still arrive as WM_DROPFILES
    auto *target = new DropTarget();
    RegisterDragDrop(window, target);
    target->Release(); // the registration holds it
}

void drop_target_revoke(HWND window) {
    if (SUCCEEDED(RevokeDragDrop(window)))
        OleUninitialize();
}
