// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG decoding and encoding over libjpeg.
//
// The decoder's life cycle. A Decompressor (the C++ side, below) owns one libjpeg
// decompressor: its constructor creates it and reads the header, Start() checks
// the pixel limit and then starts decompression (a progressive file is read in
// full there, so the limit must come first), ReadRows()/SkipRows() move down the
// picture. The decompressor is destroyed by the step that meets an error, by the
// last ReadRows(), or else by the Decompressor's destructor, whichever comes
// first; so it goes on every path, exactly once.
//
// Every libjpeg call runs inside GuardedDecodeStep, the one function that calls
// setjmp for decoding: libjpeg reports errors by longjmp, which must land in a
// frame that holds no C++ object, so the steps are plain C-style functions on a
// DecodeJob and the C++ side turns a failed step into an Error.
//
// One thread: DecodeJpeg reads every row with the header's Decompressor. Two
// threads (a large baseline picture on a machine with two cores): DecodeSplit
// keeps that Decompressor for the top, and a std::jthread makes a second one that
// skips to a row part way down and decodes from there; the jthread is joined on
// every path before the rows it writes to go. Should either meet damage, the
// picture is decoded again on one thread, so the bytes are always those of one.
#include "imageview/JpegImage.h"

#include "imageview/Orientation.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

#include <jerror.h>
#include <jpeglib.h>

namespace quillo {

namespace {

// More scans than any real encoder writes. Each progressive scan may sweep the whole
// coefficient buffer, so a crafted file with thousands of scans would take minutes.
constexpr int kMaxScans = 500;
// Each warning needs a marker or a damaged stretch of data behind it; past this many
// the file is garbage, and carrying on only costs time.
constexpr long kMaxWarnings = 1000;

// ---------------------------------------------------------------------------------
// The libjpeg side. Every function here is plain C in spirit: it works on a struct
// owned by its C++ caller and holds no object with a destructor, so a longjmp out
// of libjpeg skips nothing that needs unwinding.

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpWithMessage(j_common_ptr cinfo, const char *text)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "%s", text);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void OnErrorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    // libjpeg asks for a temporary file once its memory bound is reached; say why.
    if (cinfo->err->msg_code == JERR_NO_BACKING_STORE)
        JumpWithMessage(cinfo, "JPEG picture needs more working memory than allowed");
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OnEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace output: nobody reads it
    // A warning (damaged data, premature end) does not stop decoding: what was read
    // is shown and the rest stays grey, but a flood of them ends it.
    if (++cinfo->err->num_warnings > kMaxWarnings) {
        char last[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, last);
        char text[JMSG_LENGTH_MAX + 64];
        std::snprintf(text, sizeof text, "JPEG data too badly damaged (%s)", last);
        JumpWithMessage(cinfo, text);
    }
}

void OnOutputMessage(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    const auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans)
        JumpWithMessage(cinfo, "JPEG file has too many scans");
}

void InitErrorManager(ErrorManager &err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = OnErrorExit;
    err.pub.emit_message = OnEmitMessage;
    err.pub.output_message = OnOutputMessage;
    err.message[0] = '\0';
}

struct DecodeJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    bool created;
    bool cmyk;         // decoded as CMYK and converted by us
    bool invertedCmyk; // Adobe files store CMYK (and YCCK) inverted
    // The arguments of the step run under GuardedDecodeStep.
    const unsigned char *data;
    unsigned long size;
    JSAMPROW *rows;
    JDIMENSION endRow;
    bool finish;
};

using DecodeStep = void (*)(DecodeJob *job);

// The one place a decode step meets setjmp. It runs `step` with libjpeg's errors
// jumping back here; after a jump the decompressor is destroyed and false returned.
// Nothing here or in a step has a destructor, so the jump skips no unwinding.
bool GuardedDecodeStep(DecodeJob *job, DecodeStep step)
{
    if (setjmp(job->err.jump)) {
        if (job->created)
            jpeg_destroy_decompress(&job->cinfo);
        job->created = false;
        return false;
    }
    step(job);
    return true;
}

// Creates the decompressor and reads the header of job->data.
void ReadHeaderStep(DecodeJob *job)
{
    j_decompress_ptr cinfo = &job->cinfo;
    InitErrorManager(job->err);
    cinfo->err = &job->err.pub;
    // Set first: a create that fails half way is destroyed too (destroying what was
    // never made is harmless).
    job->created = true;
    jpeg_create_decompress(cinfo);
    // libjpeg's own buffers (the coefficients of a progressive file) stay bounded too.
    cinfo->mem->max_memory_to_use = static_cast<long>(kMaxPixelBytes);
    job->progress.progress_monitor = OnProgress;
    cinfo->progress = &job->progress;
    jpeg_mem_src(cinfo, job->data, job->size);
    jpeg_read_header(cinfo, TRUE);
    job->cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    job->invertedCmyk = job->cmyk && cinfo->saw_Adobe_marker;
    // libjpeg turns YCCK into CMYK but cannot go on to RGB; we finish that step.
    cinfo->out_color_space = job->cmyk ? JCS_CMYK : JCS_EXT_BGR;
    cinfo->dct_method = JDCT_ISLOW;
}

inline unsigned char MulDiv255(unsigned a, unsigned b)
{
    const unsigned t = a * b + 128;
    return static_cast<unsigned char>((t + (t >> 8)) >> 8);
}

void CmykToBgr(const unsigned char *src, unsigned char *dst, unsigned width, bool inverted)
{
    for (unsigned x = 0; x < width; ++x, src += 4, dst += 3) {
        unsigned c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Now each value is 255 minus the ink: the light that gets through.
        dst[0] = MulDiv255(y, k);
        dst[1] = MulDiv255(m, k);
        dst[2] = MulDiv255(c, k);
    }
}

// Starts decompression: a progressive file is read in full here, into libjpeg's
// (bounded) coefficient buffer.
void StartStep(DecodeJob *job)
{
    jpeg_start_decompress(&job->cinfo);
}

// Decodes rows up to (not including) job->endRow into job->rows (one pointer per
// output row, 3 bytes a pixel, indexed from the top). The decompressor is destroyed
// afterwards when job->finish says no more rows will be asked for.
void DecodeRowsStep(DecodeJob *job)
{
    j_decompress_ptr cinfo = &job->cinfo;
    const JDIMENSION endRow = job->endRow;
    if (job->cmyk) {
        JSAMPARRAY line = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                     cinfo->output_width * 4, 1);
        while (cinfo->output_scanline < endRow) {
            const JDIMENSION y = cinfo->output_scanline;
            if (jpeg_read_scanlines(cinfo, line, 1) != 1)
                JumpWithMessage(reinterpret_cast<j_common_ptr>(cinfo), "JPEG decoder made no progress");
            CmykToBgr(line[0], job->rows[y], cinfo->output_width, job->invertedCmyk);
        }
    } else {
        while (cinfo->output_scanline < endRow) {
            const JDIMENSION y = cinfo->output_scanline;
            if (jpeg_read_scanlines(cinfo, job->rows + y, endRow - y) == 0)
                JumpWithMessage(reinterpret_cast<j_common_ptr>(cinfo), "JPEG decoder made no progress");
        }
    }
    // Every row asked for is in; what follows (more rows, trailing markers or
    // junk) is not worth reading, so the file is not finished but dropped.
    if (job->finish) {
        jpeg_destroy_decompress(cinfo);
        job->created = false;
    }
}

// Passes over the output rows up to job->endRow: their data is entropy-decoded
// (it carries the state later rows start from) but not turned into pixels.
void SkipRowsStep(DecodeJob *job)
{
    j_decompress_ptr cinfo = &job->cinfo;
    while (cinfo->output_scanline < job->endRow)
        if (jpeg_skip_scanlines(cinfo, job->endRow - cinfo->output_scanline) == 0)
            JumpWithMessage(reinterpret_cast<j_common_ptr>(cinfo), "JPEG decoder made no progress");
}

struct EncodeJob {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    jpeg_destination_mgr dest;
    unsigned char *buffer; // malloc'd; ours to free
    std::size_t capacity;
    std::size_t size;
};

void OnInitDestination(j_compress_ptr cinfo)
{
    auto *job = static_cast<EncodeJob *>(cinfo->client_data);
    job->capacity = 1 << 16;
    job->buffer = static_cast<unsigned char *>(std::malloc(job->capacity));
    if (!job->buffer)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    job->dest.next_output_byte = job->buffer;
    job->dest.free_in_buffer = job->capacity;
}

boolean OnEmptyOutputBuffer(j_compress_ptr cinfo)
{
    auto *job = static_cast<EncodeJob *>(cinfo->client_data);
    const std::size_t grown = job->capacity * 2;
    auto *p = static_cast<unsigned char *>(std::realloc(job->buffer, grown));
    if (!p)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 2);
    job->buffer = p;
    job->dest.next_output_byte = p + job->capacity;
    job->dest.free_in_buffer = grown - job->capacity;
    job->capacity = grown;
    return TRUE;
}

void OnTermDestination(j_compress_ptr cinfo)
{
    auto *job = static_cast<EncodeJob *>(cinfo->client_data);
    job->size = job->capacity - job->dest.free_in_buffer;
}

// Encodes `height` rows of BGR pixels. On failure the buffer is freed.
bool JpegEncodeRows(EncodeJob *job, JSAMPROW *rows, unsigned width, unsigned height, int quality,
                    int smoothing)
{
    j_compress_ptr cinfo = &job->cinfo;
    InitErrorManager(job->err);
    cinfo->err = &job->err.pub;
    if (setjmp(job->err.jump)) {
        jpeg_destroy_compress(cinfo);
        std::free(job->buffer);
        job->buffer = nullptr;
        return false;
    }
    jpeg_create_compress(cinfo);
    cinfo->client_data = job;
    job->dest.init_destination = OnInitDestination;
    job->dest.empty_output_buffer = OnEmptyOutputBuffer;
    job->dest.term_destination = OnTermDestination;
    cinfo->dest = &job->dest;
    cinfo->image_width = width;
    cinfo->image_height = height;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    cinfo->optimize_coding = FALSE;
    cinfo->smoothing_factor = smoothing;
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < height)
        jpeg_write_scanlines(cinfo, rows + cinfo->next_scanline, height - cinfo->next_scanline);
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

// ---------------------------------------------------------------------------------
// The C++ side.

// The smoothing factor libjpeg applies when Smoothing is on: enough to calm
// dithered or noisy input without visibly softening edges.
constexpr int kSmoothingFactor = 10;

struct JpegHeader {
    int width = 0;
    int height = 0;
    bool grayscale = false;
    bool progressive = false;
};

// Destroys a decompressor that is still alive, also when a constructor throws.
struct OwnedDecodeJob {
    DecodeJob job{};
    OwnedDecodeJob() = default;
    OwnedDecodeJob(const OwnedDecodeJob &) = delete;
    OwnedDecodeJob &operator=(const OwnedDecodeJob &) = delete;
    ~OwnedDecodeJob()
    {
        if (job.created)
            jpeg_destroy_decompress(&job.cinfo);
    }
};

// Owns a decompressor between its header and its pixels.
class Decompressor {
public:
    explicit Decompressor(std::span<const std::uint8_t> data)
    {
        if (data.empty())
            throw Error("The file is empty");
        if (data.size() > static_cast<std::size_t>(static_cast<unsigned long>(-1)))
            throw Error("JPEG data too large");
        job_.data = data.data();
        job_.size = static_cast<unsigned long>(data.size());
        Run(ReadHeaderStep);
        header_.width = static_cast<int>(job_.cinfo.image_width);
        header_.height = static_cast<int>(job_.cinfo.image_height);
        header_.grayscale = job_.cinfo.jpeg_color_space == JCS_GRAYSCALE;
        header_.progressive = job_.cinfo.progressive_mode != 0;
    }

    const JpegHeader &Header() const { return header_; }

    // Starts decoding and checks the output libjpeg chose.
    void Start()
    {
        // The size limit holds for the pixels, so a header alone (a preloaded picture
        // not yet shown) is never refused for it. Checked before libjpeg or we
        // allocate anything the size of the picture: a progressive file is read
        // in full, into coefficients as large as its pixels, as decoding starts.
        TBitmap::CheckDimensions(header_.width, header_.height, 24);
        Run(StartStep);
        if (job_.cinfo.output_width != job_.cinfo.image_width ||
            job_.cinfo.output_height != job_.cinfo.image_height ||
            job_.cinfo.output_components != (job_.cmyk ? 4 : 3))
            throw Error("JPEG decoder chose an unexpected output format");
    }

    // Decodes the rows from where the decoder stands up to `endRow`; with `finish`
    // the decompressor is gone afterwards.
    void ReadRows(std::vector<JSAMPROW> &rows, int endRow, bool finish = true)
    {
        job_.rows = rows.data();
        job_.endRow = static_cast<JDIMENSION>(endRow);
        job_.finish = finish;
        Run(DecodeRowsStep);
    }

    // Passes over the rows from where the decoder stands up to `endRow`.
    void SkipRows(int endRow)
    {
        job_.endRow = static_cast<JDIMENSION>(endRow);
        Run(SkipRowsStep);
    }

    // The rows decoded together (one iMCU row): the unit two threads share out.
    int Band() const { return job_.cinfo.max_v_samp_factor * DCTSIZE; }

    // The next row ReadRows or SkipRows would reach.
    int NextRow() const { return static_cast<int>(job_.cinfo.output_scanline); }

    // Where a second thread starts: a row on an iMCU boundary about three fifths
    // down (the second thread first runs through the data above it), or 0 when the
    // picture is not worth splitting or cannot be split (progressive and CMYK
    // pictures are decoded on one thread).
    int SplitRow() const
    {
        const jpeg_decompress_struct &c = job_.cinfo;
        // The header's size is the output size: Quillo never asks libjpeg to scale.
        if (job_.cmyk || c.progressive_mode || c.buffered_image || c.image_height < 512 ||
            std::uint64_t(c.image_width) * c.image_height < (std::uint64_t(1) << 20))
            return 0;
        const int band = c.max_v_samp_factor * DCTSIZE;
        const int split = static_cast<int>(c.image_height) * 3 / 5 / band * band;
        return split > 0 && split < static_cast<int>(c.image_height) ? split : 0;
    }

    long Warnings() const { return job_.err.pub.num_warnings; }

private:
    void Run(DecodeStep step)
    {
        if (!GuardedDecodeStep(&job_, step))
            throw Error(job_.err.message);
    }

    OwnedDecodeJob owned_;
    DecodeJob &job_ = owned_.job;
    JpegHeader header_;
};

JpegHeader ReadHeader(std::span<const std::uint8_t> data)
{
    Decompressor d(data);
    return d.Header();
}

// The rows gathered before they are turned into place. Each turned row of the
// picture then gets this many pixels at once (whole cache lines, bar its ends),
// while the rows gathered still fit in a core's own cache.
constexpr int kTurnGroupRows = 64;

// Where one thread's decoded rows go. Upright, straight into the picture's rows.
// Turned, into a few rows of the thread's own, each group then moved to its turned
// place in the picture while those rows are still in cache: a second full-size
// picture, and a pass over it, is never needed.
class RowTarget {
public:
    RowTarget(TBitmap &picture, int width, int height, int orientation, int groupRows)
        : picture_(picture), width_(width), height_(height), orientation_(orientation), groupRows_(groupRows),
          rows_(static_cast<std::size_t>(height))
    {
        if (orientation_ == kOrientationUpright) {
            for (int y = 0; y < height; ++y)
                rows_[static_cast<std::size_t>(y)] = picture.ScanLine(y);
            return;
        }
        // A cache line per row start; the page-block cache hands the same memory
        // back decode after decode, so it is not touched for the first time again.
        rowBytes_ = (static_cast<std::size_t>(width) * 3 + 63) / 64 * 64;
        group_ = TPageBlock::Allocate(rowBytes_ * static_cast<std::size_t>(groupRows), false);
    }

    // Another thread's target for the same picture.
    RowTarget Twin() const { return RowTarget(picture_, width_, height_, orientation_, groupRows_); }

    // Decodes the rows from where `d` stands up to `endRow`; `finish` as ReadRows.
    // Turned, the rows gather in the group until it is full; Flush moves the rest.
    void Read(Decompressor &d, int endRow, bool finish)
    {
        if (orientation_ == kOrientationUpright) {
            d.ReadRows(rows_, endRow, finish);
            return;
        }
        int top = d.NextRow();
        if (top != groupEnd_)
            Flush();
        while (top < endRow) {
            if (groupEnd_ == groupTop_)
                groupTop_ = groupEnd_ = top;
            const int end = std::min(endRow, groupTop_ + groupRows_);
            for (int y = top; y < end; ++y)
                rows_[static_cast<std::size_t>(y)] =
                    group_.Data() + static_cast<std::size_t>(y - groupTop_) * rowBytes_;
            d.ReadRows(rows_, end, finish && end == endRow);
            groupEnd_ = top = end;
            if (groupEnd_ - groupTop_ == groupRows_)
                Flush();
        }
    }

    // Moves the rows gathered to their turned place.
    void Flush()
    {
        if (groupEnd_ > groupTop_)
            TurnStoredRows(group_.Data(), static_cast<std::ptrdiff_t>(rowBytes_), groupTop_, groupEnd_ - groupTop_,
                           width_, height_, orientation_, picture_);
        Forget();
    }

    // Drops rows gathered by a decode that failed part way.
    void Forget() { groupTop_ = groupEnd_ = 0; }

private:
    TBitmap &picture_;
    int width_, height_, orientation_, groupRows_;
    std::vector<JSAMPROW> rows_; // indexed by stored row, as libjpeg writes them
    std::size_t rowBytes_ = 0;
    TPageBlock group_;
    int groupTop_ = 0, groupEnd_ = 0; // the stored rows in the group
};

std::atomic<int> gDecodeThreads{0};
thread_local int tDecodeThreadsHere = 0;
std::atomic<JpegSplitProbe *> gSplitProbe{nullptr};

int DecodeThreads()
{
    if (tDecodeThreadsHere > 0)
        return tDecodeThreadsHere;
    const int chosen = gDecodeThreads.load();
    if (chosen > 0)
        return chosen;
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

// Two threads share the rows band by band. This thread decodes from the top; a
// second one runs through the data above `split` without making pixels and then
// decodes from there. Each band goes to whichever thread claims it first: this
// thread stops at the first band the other one claimed (the other does the rest),
// the other passes over bands this one claimed. So when the second thread gets no
// processor (a busy machine) this one simply decodes everything, and otherwise the
// work meets in the middle wherever the threads' speeds put it. With a probe set
// nothing is raced for: the bands divide at `split`.
// True when both ran clean; false when either met damaged data or failed, since
// damage can make the parts differ from one decode (warnings are counted, and a
// run of them ends the decode); then the caller decodes again on one thread.
bool DecodeSplit(std::span<const std::uint8_t> data, Decompressor &upper, RowTarget &upperTarget, int split,
                 int height, JpegSplitProbe *probe)
{
    const int band = upper.Band();
    const int bands = (height + band - 1) / band;
    const auto bandEnd = [&](int b) { return std::min(height, (b + 1) * band); };
    const bool fixed = probe != nullptr;
    // Claims a band for the thread asking; with the division fixed, the rows below
    // `split` are the second thread's.
    std::unique_ptr<std::atomic<bool>[]> claimed(new std::atomic<bool>[static_cast<std::size_t>(bands)]);
    for (int b = 0; b < bands; ++b)
        claimed[static_cast<std::size_t>(b)] = false;
    const auto claim = [&](int b, bool lowerThread) {
        if (fixed)
            return lowerThread == (b * band >= split);
        return !claimed[static_cast<std::size_t>(b)].exchange(true);
    };
    bool lowerClean = false;
    int lowerRows = 0;
    // Declared after everything it reads, so it is joined before any of it goes.
    std::jthread lower;
    try {
        lower = std::jthread([&](std::stop_token stop) {
            try {
                Decompressor d(data);
                d.Start();
                RowTarget target = upperTarget.Twin();
                for (int b = 0; b < bands && !stop.stop_requested(); ++b) {
                    if (b * band < split || !claim(b, true)) {
                        d.SkipRows(bandEnd(b));
                    } else {
                        target.Read(d, bandEnd(b), false);
                        lowerRows += bandEnd(b) - b * band;
                    }
                }
                target.Flush();
                lowerClean = d.Warnings() == 0;
            } catch (...) {
                lowerClean = false;
            }
        });
    } catch (const std::system_error &) {
        if (probe)
            *probe = {0, 0, true};
        return false; // no thread to be had
    }
    bool upperClean = false;
    int upperRows = 0;
    try {
        for (int b = 0; b < bands && claim(b, false); ++b) {
            upperTarget.Read(upper, bandEnd(b), false);
            upperRows = bandEnd(b);
            if (b == bands - 1)
                lower.request_stop(); // every band is in: the other thread may stop
            // Otherwise the other thread goes on until it is through: it owns every
            // band from the first one it claimed.
        }
        upperTarget.Flush();
        upperClean = upper.Warnings() == 0;
    } catch (...) {
        upperClean = false;
        lower.request_stop(); // the picture is decoded again anyway
    }
    lower.join();
    const bool clean = upperClean && lowerClean;
    if (probe)
        *probe = {upperRows, lowerRows, !clean};
    return clean;
}

} // namespace

void SetJpegDecodeThreads(int threads)
{
    gDecodeThreads = std::clamp(threads, 0, 2);
}

void SetJpegDecodeThreadsHere(int threads)
{
    tDecodeThreadsHere = std::clamp(threads, 0, 2);
}

void SetJpegSplitProbe(JpegSplitProbe *probe)
{
    gSplitProbe = probe;
}

bool JpegDecodeSplits(std::span<const std::uint8_t> data)
{
    const Decompressor d(data);
    return d.SplitRow() > 0;
}

TBitmap DecodeJpeg(std::span<const std::uint8_t> data, int orientation)
{
    orientation = ValidOrientation(orientation);
    Decompressor d(data);
    d.Start();
    const int width = d.Header().width, height = d.Header().height;
    const bool swap = OrientationSwapsSides(orientation);
    // libjpeg writes the rows in place, or a few rows at a time are turned into it.
    TBitmap bitmap = TBitmap::Uninitialized(swap ? height : width, swap ? width : height, 24);
    const int groupRows = std::max(1, kTurnGroupRows / d.Band()) * d.Band();
    RowTarget target(bitmap, width, height, orientation, groupRows);
    const int split = DecodeThreads() > 1 ? d.SplitRow() : 0;
    if (split == 0) {
        target.Read(d, height, true);
        target.Flush();
    } else if (!DecodeSplit(data, d, target, split, height, gSplitProbe.load())) {
        Decompressor again(data);
        again.Start();
        target.Forget();
        target.Read(again, height, true);
        target.Flush();
    }
    // The row padding is the one part never written.
    bitmap.ClearPadding();
    return bitmap;
}

std::vector<std::uint8_t> EncodeJpeg(const TBitmap &bitmap, int quality, bool smoothing)
{
    if (bitmap.Empty())
        throw Error("Cannot encode an empty picture as JPEG");
    if (quality < 1 || quality > 100)
        throw Error("JPEG quality must lie between 1 and 100, not " + std::to_string(quality));
    TBitmap converted;
    const TBitmap *source = &bitmap;
    if (bitmap.BitsPerPixel() != 24) {
        converted = bitmap.To24Bit();
        source = &converted;
    }
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(source->Height()));
    for (int y = 0; y < source->Height(); ++y)
        rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(source->ScanLine(y)); // libjpeg only reads them
    EncodeJob job{};
    if (!JpegEncodeRows(&job, rows.data(), static_cast<unsigned>(source->Width()),
                        static_cast<unsigned>(source->Height()), quality, smoothing ? kSmoothingFactor : 0))
        throw Error(job.err.message);
    std::vector<std::uint8_t> out(job.buffer, job.buffer + job.size);
    std::free(job.buffer);
    return out;
}

void TJPEGImage::LoadFromBytes(std::vector<std::uint8_t> bytes)
{
    TPageBlock block = TPageBlock::Allocate(bytes.size(), false);
    if (!bytes.empty())
        std::memcpy(block.Data(), bytes.data(), bytes.size());
    LoadFromBlock(std::move(block));
}

void TJPEGImage::LoadFromBlock(TPageBlock bytes)
{
    const JpegHeader header = ReadHeader({bytes.Data(), bytes.Size()});
    bytes_ = std::make_shared<const TPageBlock>(std::move(bytes));
    SourceName.clear();
    decoded_.reset();
    bytesReleased_ = false;
    width_ = header.width;
    height_ = header.height;
    grayscale_ = header.grayscale;
    progressive_ = header.progressive;
}

void TJPEGImage::LoadFromFile(const std::string &path)
{
    LoadFromBlock(ReadFileBlock(path));
    SourceName = path;
}

TBitmap TJPEGImage::Decode(int orientation) const
{
    // A failure while decoding says which file, as one while loading does.
    try {
        return DecodeJpeg(Bytes(), orientation);
    } catch (const Error &e) {
        if (SourceName.empty())
            throw Error(std::string("Cannot decode the JPEG picture: ") + e.what());
        throw Error("Cannot load \"" + SourceName + "\" as JPEG: " + e.what());
    }
}

const TBitmap &TJPEGImage::Bitmap() const
{
    if (!decoded_) {
        if (!bytes_) {
            static const TBitmap empty;
            return empty;
        }
        decoded_ = std::make_shared<const TBitmap>(Decode());
    }
    return *decoded_;
}

TBitmap TJPEGImage::ToBitmap(int orientation) const
{
    if (decoded_)
        return ApplyOrientation(*decoded_, orientation);
    if (bytes_)
        return Decode(orientation);
    return TBitmap();
}

void TJPEGImage::Assign(const TBitmap &bitmap)
{
    Assign(bitmap.BitsPerPixel() == 24 ? TBitmap(bitmap) : bitmap.To24Bit());
}

void TJPEGImage::Assign(TBitmap &&bitmap)
{
    if (bitmap.BitsPerPixel() != 24)
        bitmap.SetPixelFormat(24);
    width_ = bitmap.Width();
    height_ = bitmap.Height();
    decoded_ = std::make_shared<const TBitmap>(std::move(bitmap));
    bytes_.reset();
    bytesReleased_ = false;
    grayscale_ = false;
    progressive_ = false;
}

void TJPEGImage::ReleaseBytes()
{
    if (bytes_ && decoded_) {
        bytes_.reset();
        bytesReleased_ = true;
    }
}

std::vector<std::uint8_t> TJPEGImage::SaveToBytes() const
{
    if (bytesReleased_)
        throw Error("The bytes of \"" + SourceName + "\" are no longer held: read the file again");
    if (bytes_)
        return {bytes_->Data(), bytes_->Data() + bytes_->Size()};
    if (decoded_)
        return EncodeJpeg(*decoded_, CompressionQuality, Smoothing);
    throw Error("No JPEG picture to save");
}

} // namespace quillo
