// Decoding PNG, JPEG, GIF, WebP, HEIF and AVIF with the Windows Imaging Component (the last
// three where their codecs are installed), held to the rules of
// core/reading/picture.h: colours as stored (no colour transform is ever asked for), the decoder's
// default decode, a GIF's first frame at its own size, transparency left as alpha for the sink
// to lay over white, the EXIF orientation left to the sink. The component reads the file through
// a stream over wic_view's parts only, and never gets a picture it would hold beyond its budget.
#include "platform/picture_wic.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

namespace {

// A read-only stream over a view's spans, in order, as one file.
class SpanStream final : public IStream {
  public:
    explicit SpanStream(const WicView &view) : view_(view) {
        starts_.reserve(view.spans.size());
        for (const WicView::Span &s : view.spans) {
            starts_.push_back(size_);
            size_ += s.size;
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        if (out == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) ||
            IsEqualIID(iid, IID_IStream)) {
            *out = static_cast<IStream *>(this);
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

    HRESULT STDMETHODCALLTYPE Read(void *into, ULONG wanted, ULONG *read) override {
        ULONG done = 0;
        auto *out = static_cast<uint8_t *>(into);
        // The last span starting at or before the position, then on through the next ones.
        size_t i = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), at_) -
                                       starts_.begin());
        for (; i > 0 && i <= starts_.size() && done < wanted && at_ < size_; ++i) {
            const WicView::Span &s = view_.spans[i - 1];
            const uint64_t offset = at_ - starts_[i - 1];
            if (offset >= s.size)
                continue;
            const ULONG n = static_cast<ULONG>(std::min<uint64_t>(wanted - done, s.size - offset));
            std::memcpy(out + done, view_.bytes(s) + offset, n);
            done += n;
            at_ += n;
        }
        if (read != nullptr)
            *read = done;
        return done == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void *, ULONG, ULONG *) override {
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER *now) override {
        int64_t base = 0;
        if (origin == STREAM_SEEK_CUR)
            base = static_cast<int64_t>(at_);
        else if (origin == STREAM_SEEK_END)
            base = static_cast<int64_t>(size_);
        else if (origin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        const int64_t to = base + move.QuadPart;
        if (to < 0)
            return STG_E_INVALIDFUNCTION;
        at_ = static_cast<uint64_t>(to);
        if (now != nullptr)
            now->QuadPart = at_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG *stat, DWORD) override {
        if (stat == nullptr)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = size_;
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream *, ULARGE_INTEGER, ULARGE_INTEGER *,
                                     ULARGE_INTEGER *) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream **) override { return E_NOTIMPL; }

  private:
    ~SpanStream() = default;
    const WicView &view_;
    std::vector<uint64_t> starts_; // where each span starts in the stream
    uint64_t size_ = 0;
    uint64_t at_ = 0;
    LONG refs_ = 1;
};

// Rows are converted a strip at a time: one strip of about this many bytes is held, never a
// whole converted picture.
constexpr size_t stripBytes = size_t{1} << 20;

// Every interface of one decode, released together in reverse order on every path.
struct WicJob {
    IWICImagingFactory *factory = nullptr;
    IStream *stream = nullptr;
    IWICBitmapDecoder *decoder = nullptr;
    IWICBitmapFrameDecode *frame = nullptr;
    IWICFormatConverter *converter = nullptr;
};

template <typename T> void interface_release(T *&p) {
    if (p != nullptr)
        p->Release();
    p = nullptr;
}

void wic_release(WicJob &job) {
    interface_release(job.converter);
    interface_release(job.frame);
    interface_release(job.decoder);
    interface_release(job.stream);
    interface_release(job.factory);
}

const GUID *container_of(PictureFormat format) {
    switch (format) {
    case PictureFormat::png:
        return &GUID_ContainerFormatPng;
    case PictureFormat::jpeg:
        return &GUID_ContainerFormatJpeg;
    case PictureFormat::gif:
        return &GUID_ContainerFormatGif;
    case PictureFormat::webp:
        return &GUID_ContainerFormatWebp;
    case PictureFormat::heic:
    case PictureFormat::avif: // the HEIF image extension reads AVIF too, with the AV1 one
        return &GUID_ContainerFormatHeif;
    case PictureFormat::bmp:
    case PictureFormat::unknown:
        break;
    }
    return nullptr;
}

// The Media Foundation decoder a HEIF picture's coding needs, asked of mfplat.dll only when
// there is one (N editions of Windows have none).
bool video_decoder_installed(uint32_t fourcc) {
    struct TypeInfo {
        GUID major, sub;
    };
    using EnumFn =
        HRESULT(WINAPI *)(GUID, UINT32, const TypeInfo *, const TypeInfo *, IUnknown ***, UINT32 *);
    HMODULE mfplat = LoadLibraryW(L"mfplat.dll");
    if (mfplat == nullptr)
        return false;
    auto enumerate =
        reinterpret_cast<EnumFn>(reinterpret_cast<void *>(GetProcAddress(mfplat, "MFTEnumEx")));
    bool found = false;
    if (enumerate != nullptr) {
        const GUID videoDecoders = {
            0xd6c02d4b, 0x6833, 0x45b4, {0x97, 0x1a, 0x05, 0xa4, 0xb0, 0x4b, 0xab, 0x91}};
        const GUID video = {
            0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
        const GUID coding = {
            fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
        const TypeInfo input{video, coding};
        IUnknown **activates = nullptr;
        UINT32 count = 0;
        // MFT_ENUM_FLAG_SYNCMFT | ASYNCMFT | HARDWARE | LOCALMFT | SORTANDFILTER (0x77): all.
        if (SUCCEEDED(enumerate(videoDecoders, 0x77, &input, nullptr, &activates, &count))) {
            found = count > 0;
            for (UINT32 i = 0; i < count; ++i)
                activates[i]->Release();
            CoTaskMemFree(activates);
        }
    }
    FreeLibrary(mfplat);
    return found;
}

bool wic_decoder_installed(const GUID &container) {
    IWICImagingFactory *factory = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void **>(&factory))))
        return false;
    IWICBitmapDecoder *decoder = nullptr;
    const bool found = SUCCEEDED(factory->CreateDecoder(container, nullptr, &decoder));
    interface_release(decoder);
    interface_release(factory);
    return found;
}

const char *damaged(PictureFormat format) {
    switch (format) {
    case PictureFormat::png:
        return "PNG data is damaged";
    case PictureFormat::jpeg:
        return "JPEG data is damaged";
    case PictureFormat::gif:
        return "GIF data is damaged";
    case PictureFormat::webp:
        return "WebP data is damaged";
    default:
        return "HEIF data is damaged";
    }
}

// Rows the decoder keeps as B, G, R go on as they are, without the alpha step. (Asking the
// converter for BGR from other formats fails in some versions of the component.)
bool format_bgr(const WICPixelFormatGUID &format) {
    return IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) != 0;
}

// The decode itself; nullptr on success, else why it failed.
const char *wic_run(WicJob &job, const WicView &view, const PictureProbe &probe,
                    PictureSink &sink) {
    const GUID *container = container_of(probe.format);
    if (container == nullptr)
        return "not a picture the component reads";
    if (probe.width <= 0 || probe.height <= 0 || probe.width > pictureSideLimit ||
        probe.height > pictureSideLimit || probe.width != sink.width || probe.height != sink.height)
        return "picture size is not what the sink expects";

    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void **>(&job.factory))))
        return "the imaging component is not available";
    job.stream = new (std::nothrow) SpanStream(view);
    if (job.stream == nullptr)
        return "no memory for the stream";
    // Metadata only on demand, and nothing ever asks for it.
    if (FAILED(job.factory->CreateDecoderFromStream(job.stream, nullptr,
                                                    WICDecodeMetadataCacheOnDemand, &job.decoder)))
        return damaged(probe.format);
    // The signature chose the format; a decoder of another kind would answer other rules.
    GUID found{};
    if (FAILED(job.decoder->GetContainerFormat(&found)) || !IsEqualGUID(found, *container))
        return "the imaging component took it for another format";
    if (FAILED(job.decoder->GetFrame(0, &job.frame)))
        return damaged(probe.format);
    UINT width = 0, height = 0;
    if (FAILED(job.frame->GetSize(&width, &height)))
        return damaged(probe.format);
    if (width != static_cast<uint64_t>(probe.width) ||
        height != static_cast<uint64_t>(probe.height))
        return "frame size is not what the header said";

    WICPixelFormatGUID stored{};
    const bool opaque = SUCCEEDED(job.frame->GetPixelFormat(&stored)) && format_bgr(stored);
    if (FAILED(job.factory->CreateFormatConverter(&job.converter)) ||
        FAILED(job.converter->Initialize(
            job.frame, opaque ? GUID_WICPixelFormat24bppBGR : GUID_WICPixelFormat32bppBGRA,
            WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return "cannot convert the pixels to BGR";

    const UINT pixelBytes = opaque ? 3 : 4;
    const UINT rowBytes = width * pixelBytes; // at most 2^26: the side limit keeps it small
    const UINT rows =
        static_cast<UINT>(std::min<size_t>(height, std::max<size_t>(1, stripBytes / rowBytes)));
    std::vector<uint8_t> strip(size_t{rowBytes} * rows);
    for (UINT y = 0; y < height; y += rows) {
        const UINT n = std::min(rows, height - y);
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(n)};
        if (FAILED(job.converter->CopyPixels(&rect, rowBytes, rowBytes * n, strip.data())))
            return damaged(probe.format);
        for (UINT i = 0; i < n; ++i)
            picture_sink_row(sink, strip.data() + size_t{rowBytes} * i,
                             opaque ? PixelOrder::bgr : PixelOrder::bgra);
    }
    return nullptr;
}

// WebP and HEIF files are given whole; the component holds what the probe counted for them.
bool wic_fits(const WicView &view, const PictureProbe &probe, size_t size) {
    const bool boxed = probe.format == PictureFormat::webp || probe.format == PictureFormat::heic ||
                       probe.format == PictureFormat::avif;
    const uint64_t held = boxed ? probe.heldBytes : view.heldBytes;
    return held <= wicHeldLimit && size <= wicHeldLimit - held;
}

// What the component is given, or why it is not given the file at all.
const char *wic_decode(const uint8_t *data, size_t size, const PictureProbe &probe,
                       PictureSink &sink) {
    WicJob job;
    const char *why = nullptr;
    try {
        const WicView view = wic_view(data, size, probe);
        if (view.refusal != nullptr)
            return view.refusal;
        if (!wic_fits(view, probe, size))
            return "too large for the imaging component, which holds the picture whole";
        why = wic_run(job, view, probe, sink);
    } catch (const std::bad_alloc &) {
        why = "out of memory";
    }
    wic_release(job);
    return why;
}

} // namespace

bool picture_wic_decode(const uint8_t *data, size_t size, const PictureProbe &probe,
                        PictureSink &sink, const char **reason) {
    // Any thread may load a picture: COM is started here for the call. A thread already in
    // another apartment model can still use it but must not have it ended by us.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(com) && com != RPC_E_CHANGED_MODE) {
        *reason = "COM cannot be started";
        return false;
    }
    const char *why = wic_decode(data, size, probe, sink);
    if (SUCCEEDED(com)) // S_FALSE too: every successful call is balanced
        CoUninitialize();
    if (why != nullptr)
        *reason = why;
    return why == nullptr;
}

bool picture_wic_fits(const uint8_t *data, size_t size, const PictureProbe &probe) {
    try {
        return wic_fits(wic_view(data, size, probe), probe, size);
    } catch (const std::bad_alloc &) {
        return false;
    }
}

bool picture_wic_has(PictureFormat format) {
    if (format != PictureFormat::webp && format != PictureFormat::heic &&
        format != PictureFormat::avif)
        return true; // PNG, JPEG and GIF come with every Windows
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(com) && com != RPC_E_CHANGED_MODE)
        return false;
    bool has = wic_decoder_installed(*container_of(format));
    if (has && format == PictureFormat::heic)
        has = video_decoder_installed(0x43564548); // 'HEVC'
    if (has && format == PictureFormat::avif)
        has = video_decoder_installed(0x31305641); // 'AV01'
    if (SUCCEEDED(com))
        CoUninitialize();
    return has;
}

void picture_wic_install() {
    pictureCodec = picture_wic_decode;
    pictureCodecFits = picture_wic_fits;
    pictureCodecHas = picture_wic_has;
}
