// Decoding PNG, JPEG and GIF with the Windows Imaging Component, held to the rules of
// core/picture.h: colours as stored (no colour transform is ever asked for), the decoder's
// default decode, a GIF's first frame at its own size, transparency left as alpha for the sink
// to lay over white, the EXIF orientation left to the sink.
#include "main_window/picture_wic.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// Rows are converted a strip at a time: one strip of about this many bytes is held, never a
// whole converted picture.
constexpr size_t stripBytes = size_t{1} << 20;

// Every interface of one decode, released together in reverse order on every path.
struct WicJob {
    IWICImagingFactory *factory = nullptr;
    IWICStream *stream = nullptr;
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
    case PictureFormat::bmp:
    case PictureFormat::unknown:
        break;
    }
    return nullptr;
}

const char *damaged(PictureFormat format) {
    switch (format) {
    case PictureFormat::png:
        return "PNG data is damaged";
    case PictureFormat::jpeg:
        return "JPEG data is damaged";
    default:
        return "GIF data is damaged";
    }
}

// The decode itself; nullptr on success, else why it failed.
const char *wic_run(WicJob &job, const uint8_t *data, size_t size, const PictureProbe &probe,
                    PictureSink &sink) {
    const GUID *container = container_of(probe.format);
    if (container == nullptr)
        return "not a PNG, JPEG or GIF file";
    if (size > MAXDWORD)
        return "file too large for the imaging component";
    if (probe.width <= 0 || probe.height <= 0 || probe.width > pictureSideLimit ||
        probe.height > pictureSideLimit || probe.width != sink.width || probe.height != sink.height)
        return "picture size is not what the sink expects";

    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void **>(&job.factory))))
        return "the imaging component is not available";
    BYTE *bytes = const_cast<BYTE *>(data); // a decoder only reads its stream
    if (FAILED(job.factory->CreateStream(&job.stream)) ||
        FAILED(job.stream->InitializeFromMemory(bytes, static_cast<DWORD>(size))))
        return "the imaging component cannot read from memory";
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

    if (FAILED(job.factory->CreateFormatConverter(&job.converter)) ||
        FAILED(job.converter->Initialize(job.frame, GUID_WICPixelFormat32bppBGRA,
                                         WICBitmapDitherTypeNone, nullptr, 0.0,
                                         WICBitmapPaletteTypeCustom)))
        return "cannot convert the pixels to BGRA";

    const UINT rowBytes = width * 4; // at most 2^26: the side limit keeps it small
    const UINT rows =
        static_cast<UINT>(std::min<size_t>(height, std::max<size_t>(1, stripBytes / rowBytes)));
    std::vector<uint8_t> strip(size_t{rowBytes} * rows);
    for (UINT y = 0; y < height; y += rows) {
        const UINT n = std::min(rows, height - y);
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(n)};
        if (FAILED(job.converter->CopyPixels(&rect, rowBytes, rowBytes * n, strip.data())))
            return damaged(probe.format);
        for (UINT i = 0; i < n; ++i)
            picture_sink_row(sink, strip.data() + size_t{rowBytes} * i, PixelOrder::bgra);
    }
    return nullptr;
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
    WicJob job;
    const char *why = wic_run(job, data, size, probe, sink);
    wic_release(job);
    if (SUCCEEDED(com)) // S_FALSE too: every successful call is balanced
        CoUninitialize();
    if (why != nullptr)
        *reason = why;
    return why == nullptr;
}

void picture_wic_install() {
    pictureCodec = picture_wic_decode;
}
