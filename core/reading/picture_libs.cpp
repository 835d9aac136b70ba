// Decoding PNG, JPEG, GIF, WebP, HEIF and AVIF with the system's libraries (libpng,
// libjpeg-turbo, giflib, libwebp, libheif), held to the rules of core/reading/picture.h: colours as
// stored (no gamma, no colour management), 16-bit channels by their high byte, transparency for
// the sink to lay over white, the library's default JPEG decode, a GIF's or WebP's first frame.
//
// libpng and libjpeg report errors by longjmp. Each decode keeps its state in a job object
// that outlives the jump, and only C frames lie between setjmp and the jump. Memory the
// libraries cannot get is their own error; memory this file cannot get (std::bad_alloc) is
// caught where the library's state is released, and refused the same way.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>
#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include "core/reading/picture.h"

namespace {

// ---- PNG ----

struct PngJob {
    const uint8_t *data;
    size_t size, at = 0;
    PictureSink *sink;
    std::vector<uint8_t> pixels; // one row, or the whole picture when it is interlaced
    std::vector<png_bytep> rows;
    const char *reason = "PNG data is damaged";
};

void png_read_memory(png_structp png, png_bytep out, png_size_t count) {
    auto *job = static_cast<PngJob *>(png_get_io_ptr(png));
    if (count > job->size - job->at) {
        job->reason = "PNG data is cut off";
        png_error(png, "cut off");
    }
    std::memcpy(out, job->data + job->at, count);
    job->at += count;
}

// Without a jump of its own, libpng would print the message before jumping.
void png_fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void png_quiet(png_structp, png_const_charp) {}

bool png_run(png_structp png, png_infop info, PngJob &job) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &job, png_read_memory);
    png_set_user_limits(png, pictureSideLimit, pictureSideLimit);
    // Only IHDR, PLTE, tRNS, IDAT and IEND are used: text, profiles, EXIF and the rest are
    // skipped unread (their CRCs are the probe's), so none of them can take memory or time.
    static const png_byte skipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0eXIf\0sPLT\0hIST\0pCAL\0"
                                      "sCAL\0oFFs\0pHYs\0tIME\0sBIT\0cHRM\0gAMA\0sRGB\0bKGD";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, skipped, sizeof skipped / 5);
    png_set_chunk_cache_max(png, 16);
    png_set_chunk_malloc_max(png, 1 << 16);
    png_read_info(png, info);
    // Everything to 8-bit: palettes and small greys expanded, tRNS made alpha, 16-bit samples
    // cut to their high byte, grey copied into the three channels. Opaque pictures come out as
    // B, G, R, straight into the sink; the others as RGBA for the sink to lay over white.
    const int colourType = png_get_color_type(png, info);
    const bool opaque =
        !(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    if (opaque)
        png_set_bgr(png);
    else
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const size_t rowBytes = size_t{width} * (opaque ? 3 : 4);
    if (width != job.sink->width || height != job.sink->height ||
        png_get_rowbytes(png, info) != rowBytes) {
        job.reason = "PNG rows are not what its header said";
        return false;
    }
    const PixelOrder order = opaque ? PixelOrder::bgr : PixelOrder::rgba;
    if (passes == 1) {
        if (opaque) {
            for (png_uint_32 y = 0; y < height; ++y) {
                png_read_row(png, picture_sink_row_buffer(*job.sink), nullptr);
                picture_sink_row_written(*job.sink);
            }
            return true;
        }
        job.pixels.resize(rowBytes);
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, job.pixels.data(), nullptr);
            picture_sink_row(*job.sink, job.pixels.data(), order);
        }
        return true;
    }
    // Interlaced rows only take their final values in the last pass.
    job.pixels.resize(rowBytes * height);
    job.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        job.rows[y] = job.pixels.data() + rowBytes * y;
    png_read_image(png, job.rows.data());
    for (png_uint_32 y = 0; y < height; ++y)
        picture_sink_row(*job.sink, job.rows[y], order);
    return true;
}

bool png_decode(const uint8_t *data, size_t size, PictureSink &sink, const char **reason) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_quiet);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *reason = "out of memory";
        return false;
    }
    PngJob job{data, size, 0, &sink, {}, {}};
    bool ok = false;
    try {
        ok = png_run(png, info, job);
    } catch (const std::bad_alloc &) {
        job.reason = "out of memory";
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok)
        *reason = job.reason;
    return ok;
}

// ---- JPEG ----

struct JpegJob {
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    jmp_buf jump;
    bool cutOff = false;
    const char *reason = "JPEG data is damaged";
};

JpegJob &jpeg_job(j_common_ptr cinfo) {
    // errors is the first member, and the library holds a pointer to it.
    return *reinterpret_cast<JpegJob *>(cinfo->err);
}

void jpeg_fail(j_common_ptr cinfo) {
    std::longjmp(jpeg_job(cinfo).jump, 1);
}

void jpeg_note(j_common_ptr cinfo, int level) {
    // Damaged or missing data is padded by the library and only warned about; here it is a
    // damaged file (and a few bytes could otherwise claim millions of padded pixels).
    const int code = cinfo->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER ||
                      code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC))
        jpeg_job(cinfo).cutOff = true;
}

void jpeg_silent(j_common_ptr) {}

void jpeg_scans_count(j_common_ptr cinfo) {
    auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (cinfo->is_decompressor && d->input_scan_number > jpegScanLimit) {
        jpeg_job(cinfo).reason = "JPEG with too many scans";
        std::longjmp(jpeg_job(cinfo).jump, 1);
    }
}

bool jpeg_run(jpeg_decompress_struct &cinfo, JpegJob &job, const uint8_t *data, size_t size,
              PictureSink &sink) {
    if (setjmp(job.jump))
        return false;
    jpeg_create_decompress(&cinfo);
    // The coefficients of a picture in several scans are the one large allocation; past the
    // probe's budget (and a margin for the library's own buffers) it fails instead of growing.
    cinfo.mem->max_memory_to_use = static_cast<long>(pictureHeldLimit + (uint64_t(16) << 20));
    cinfo.progress = &job.progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    // The library's defaults, pinned: accurate integer IDCT, smooth chroma upsampling; grey
    // comes out as colour, in the sink's own order B, G, R.
    cinfo.out_color_space = JCS_EXT_BGR;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&cinfo); // a progressive file is read whole here
    if (job.cutOff) {
        job.reason = "JPEG data is damaged";
        return false;
    }
    if (cinfo.output_width != sink.width || cinfo.output_height != sink.height ||
        cinfo.output_components != 3) {
        job.reason = "JPEG rows are not what its header said";
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = picture_sink_row_buffer(sink);
        if (row == nullptr || jpeg_read_scanlines(&cinfo, &row, 1) != 1 || job.cutOff) {
            job.reason = "JPEG data is damaged";
            return false;
        }
        picture_sink_row_written(sink);
    }
    return !job.cutOff;
}

bool jpeg_decode(const uint8_t *data, size_t size, PictureSink &sink, const char **reason) {
    jpeg_decompress_struct cinfo{};
    JpegJob job;
    cinfo.err = jpeg_std_error(&job.errors);
    job.errors.error_exit = jpeg_fail;
    job.errors.emit_message = jpeg_note;
    job.errors.output_message = jpeg_silent;
    job.progress.progress_monitor = jpeg_scans_count;
    bool ok = false;
    try {
        ok = jpeg_run(cinfo, job, data, size, sink);
    } catch (const std::bad_alloc &) {
        job.reason = "out of memory";
    }
    jpeg_destroy_decompress(&cinfo);
    if (!ok)
        *reason = job.reason;
    return ok;
}

// ---- GIF ----

struct GifJob {
    const uint8_t *data;
    size_t size, at = 0;
};

int gif_read_memory(GifFileType *gif, GifByteType *out, int count) {
    auto *job = static_cast<GifJob *>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(count < 0 ? 0 : count), job->size - job->at);
    std::memcpy(out, job->data + job->at, n);
    job->at += n;
    return static_cast<int>(n);
}

// The first frame, at its own size; a transparent index from the graphic control extension
// just before it gets alpha 0.
const char *gif_first_frame(GifFileType *gif, PictureSink &sink) {
    int transparent = -1;
    for (;;) {
        GifRecordType record;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            return "GIF data is damaged";
        if (record == TERMINATE_RECORD_TYPE)
            return "GIF without an image";
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType *block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                return "GIF extension is damaged";
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4)
                transparent = (block[1] & 1) ? block[4] : -1;
            while (block != nullptr)
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    return "GIF extension is damaged";
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR)
            return "GIF image descriptor is damaged";
        const int width = gif->Image.Width, height = gif->Image.Height;
        const ColorMapObject *map =
            gif->Image.ColorMap != nullptr ? gif->Image.ColorMap : gif->SColorMap;
        if (map == nullptr)
            return "GIF without a colour table";
        if (width != sink.width || height != sink.height)
            return "GIF frame is not what its descriptor said";
        // Straight into the sink as B, G, R: the transparent index is white (alpha 0 over
        // white), indices beyond the table are black, as in a bitmap.
        uint8_t lookup[256][3];
        for (int i = 0; i < 256; ++i) {
            const bool known = i < map->ColorCount;
            lookup[i][0] = i == transparent ? 255 : known ? map->Colors[i].Blue : 0;
            lookup[i][1] = i == transparent ? 255 : known ? map->Colors[i].Green : 0;
            lookup[i][2] = i == transparent ? 255 : known ? map->Colors[i].Red : 0;
        }
        auto hand_on = [&](const GifPixelType *in) {
            uint8_t *out = picture_sink_row_buffer(sink);
            if (out == nullptr)
                return;
            for (int x = 0; x < width; ++x, out += 3)
                std::memcpy(out, lookup[in[x]], 3);
            picture_sink_row_written(sink);
        };
        if (!gif->Image.Interlace) {
            std::vector<GifPixelType> line(static_cast<size_t>(width));
            for (int y = 0; y < height; ++y) {
                if (DGifGetLine(gif, line.data(), width) == GIF_ERROR)
                    return "GIF data is cut off";
                hand_on(line.data());
            }
            return nullptr;
        }
        // Interlaced rows arrive in four passes: the frame's indices are held whole.
        std::vector<GifPixelType> indices(size_t(width) * size_t(height));
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < height; y += step[pass])
                if (DGifGetLine(gif, indices.data() + size_t(y) * width, width) == GIF_ERROR)
                    return "GIF data is cut off";
        for (int y = 0; y < height; ++y)
            hand_on(indices.data() + size_t(y) * width);
        return nullptr;
    }
}

bool gif_decode(const uint8_t *data, size_t size, PictureSink &sink, const char **reason) {
    GifJob job{data, size, 0};
    int error = 0;
    GifFileType *gif = DGifOpen(&job, gif_read_memory, &error);
    if (gif == nullptr) {
        *reason = "GIF header is damaged";
        return false;
    }
    const char *why = nullptr;
    try {
        why = gif_first_frame(gif, sink);
    } catch (const std::bad_alloc &) {
        why = "out of memory";
    }
    DGifCloseFile(gif, &error);
    if (why != nullptr)
        *reason = why;
    return why == nullptr;
}

// ---- WebP ----

// Decoded whole at 4 bytes a pixel (the probe's budget); an animation's first frame comes
// composed on its canvas, transparent where the frame leaves it, for the sink to lay over white.
bool webp_decode(const uint8_t *data, size_t size, const PictureProbe &probe, PictureSink &sink,
                 const char **reason) {
    const int64_t width = sink.width, height = sink.height;
    const size_t rowBytes = size_t(width) * 4;
    if (probe.frames > 0) {
        WebPAnimDecoderOptions options;
        WebPAnimDecoderOptionsInit(&options);
        options.color_mode = MODE_RGBA;
        options.use_threads = 0;
        const WebPData bytes{data, size};
        WebPAnimDecoder *decoder = WebPAnimDecoderNew(&bytes, &options);
        uint8_t *canvas = nullptr;
        int timestamp = 0;
        WebPAnimInfo info{};
        const bool ok = decoder != nullptr && WebPAnimDecoderGetInfo(decoder, &info) &&
                        info.canvas_width == width && info.canvas_height == height &&
                        WebPAnimDecoderGetNext(decoder, &canvas, &timestamp);
        if (ok)
            for (int64_t y = 0; y < height; ++y)
                picture_sink_row(sink, canvas + size_t(y) * rowBytes, PixelOrder::rgba);
        WebPAnimDecoderDelete(decoder);
        if (!ok)
            *reason = "WebP animation is damaged";
        return ok;
    }
    std::vector<uint8_t> pixels(rowBytes * size_t(height));
    if (WebPDecodeRGBAInto(data, size, pixels.data(), pixels.size(), static_cast<int>(rowBytes)) ==
        nullptr) {
        *reason = "WebP data is damaged";
        return false;
    }
    for (int64_t y = 0; y < height; ++y)
        picture_sink_row(sink, pixels.data() + size_t(y) * rowBytes, PixelOrder::rgba);
    return true;
}

// ---- HEIF and AVIF ----

// The primary picture as stored: irot and imir are the sink's to apply (the probe read them),
// so libheif is told to leave its transformations alone.
const char *heif_primary(heif_context *context, const uint8_t *data, size_t size,
                         PictureSink &sink) {
    heif_context_set_maximum_image_size_limit(context, static_cast<int>(pictureSideLimit));
    if (heif_context_read_from_memory_without_copy(context, data, size, nullptr).code !=
        heif_error_Ok)
        return "HEIF structure is damaged";
    heif_image_handle *handle = nullptr;
    if (heif_context_get_primary_image_handle(context, &handle).code != heif_error_Ok)
        return "HEIF without a primary picture";
    heif_decoding_options *options = heif_decoding_options_alloc();
    options->ignore_transformations = 1;
    options->convert_hdr_to_8bit = 1; // 10-bit photos by their high bits, as 16-bit PNG
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    heif_image *image = nullptr;
    const heif_error decoded = heif_decode_image(
        handle, &image, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options);
    heif_decoding_options_free(options);
    heif_image_handle_release(handle);
    if (decoded.code != heif_error_Ok)
        return "HEIF picture data is damaged";
    const char *why = nullptr;
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (plane == nullptr || heif_image_get_width(image, heif_channel_interleaved) != sink.width ||
        heif_image_get_height(image, heif_channel_interleaved) != sink.height ||
        heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) != 8) {
        why = "HEIF picture is not what its header said";
    } else {
        for (int64_t y = 0; y < sink.height; ++y)
            picture_sink_row(sink, plane + size_t(y) * size_t(stride),
                             alpha ? PixelOrder::rgba : PixelOrder::rgb);
    }
    heif_image_release(image);
    return why;
}

bool heif_decode(const uint8_t *data, size_t size, PictureSink &sink, const char **reason) {
    heif_context *context = heif_context_alloc();
    if (context == nullptr) {
        *reason = "out of memory";
        return false;
    }
    const char *why = nullptr;
    try {
        why = heif_primary(context, data, size, sink);
    } catch (const std::bad_alloc &) {
        why = "out of memory";
    }
    heif_context_free(context);
    if (why != nullptr)
        *reason = why;
    return why == nullptr;
}

} // namespace

// libheif's decoders are part of the library here; a build without one cannot read its files.
bool picture_libs_has(PictureFormat format) {
    switch (format) {
    case PictureFormat::heic:
        return heif_have_decoder_for_format(heif_compression_HEVC) != 0;
    case PictureFormat::avif:
        return heif_have_decoder_for_format(heif_compression_AV1) != 0;
    default:
        return true;
    }
}

bool picture_libs_decode(const uint8_t *data, size_t size, const PictureProbe &probe,
                         PictureSink &sink, const char **reason) {
    switch (probe.format) {
    case PictureFormat::png:
        return png_decode(data, size, sink, reason);
    case PictureFormat::jpeg:
        return jpeg_decode(data, size, sink, reason);
    case PictureFormat::gif:
        return gif_decode(data, size, sink, reason);
    case PictureFormat::webp:
        return webp_decode(data, size, probe, sink, reason);
    case PictureFormat::heic:
    case PictureFormat::avif:
        return heif_decode(data, size, sink, reason);
    case PictureFormat::bmp:
    case PictureFormat::unknown:
        break;
    }
    *reason = "not a PNG, JPEG or GIF file";
    return false;
}
