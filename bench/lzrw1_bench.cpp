// Throughput of the drawing coder next to zlib at level 1 on the same
// drawing-like pixel rows (1, 4, 8 and 24 bits; line art and photographs),
// then a table of how many times faster LZRW1 is.

#include "kx_gen/Compression.h"
#include "kx_gen/DibUtil.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace kx_gen;

namespace {

struct Image {
    std::string label;
    std::vector<uint8_t> rows;
};

// Pixel rows as a DIB holds them: `value(x, y)` gives the pixel (an index for
// 8 bits or fewer, 0xRRGGBB for 24), rows padded to 4 bytes.
template <typename Value>
std::vector<uint8_t> MakeRows(int width, int height, unsigned bits, Value value)
{
    const uint32_t stride = DIBWidthBytes(uint32_t(width), bits);
    std::vector<uint8_t> rows(std::size_t(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t *row = rows.data() + std::size_t(y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint32_t v = value(x, y);
            switch (bits) {
            case 1:
                row[x >> 3] |= uint8_t((v & 1) << (7 - (x & 7)));
                break;
            case 4:
                row[x >> 1] |= uint8_t((v & 15) << ((x & 1) ? 0 : 4));
                break;
            case 8:
                row[x] = uint8_t(v);
                break;
            default:
                row[3 * x] = uint8_t(v);
                row[3 * x + 1] = uint8_t(v >> 8);
                row[3 * x + 2] = uint8_t(v >> 16);
            }
        }
    }
    return rows;
}

// Strokes on white: lines, circles and a few filled shapes, as drawn with a pen.
std::vector<uint8_t> LineArt(int width, int height, unsigned bits)
{
    const uint32_t white = bits == 1 ? 0 : bits == 4 ? 0 : bits == 8 ? 0 : 0xFFFFFF;
    const double s = width / 160.0;
    return MakeRows(width, height, bits, [&](int x, int y) -> uint32_t {
        const double cx = x / s, cy = y / s;
        const double r = std::hypot(cx - 80, cy - 80);
        const bool ring = std::fabs(r - 50) < 1.2 || std::fabs(r - 25) < 1.0;
        const bool line
            = std::fabs(cx - cy) < 1.0 || std::fabs(cx + cy - 160) < 1.0 || int(cy) % 40 == 0;
        const bool box = cx > 20 && cx < 45 && cy > 110 && cy < 140;
        if (!(ring || line || box))
            return white;
        const uint32_t colour = ring ? 1 : line ? 2 : 3;
        switch (bits) {
        case 1:
            return 1;
        case 4:
            return 15 - colour;
        case 8:
            return 100 + colour * 20;
        default:
            return colour == 1 ? 0x000000 : colour == 2 ? 0xC00000 : 0x2040A0;
        }
    });
}

// Smooth shading with fine noise, as a photograph reduced to the depth.
std::vector<uint8_t> Photo(int width, int height, unsigned bits)
{
    std::mt19937 rng(unsigned(width * 31 + bits));
    std::normal_distribution<double> noise(0.0, 6.0);
    return MakeRows(width, height, bits, [&](int x, int y) -> uint32_t {
        const double u = double(x) / width, v = double(y) / height;
        auto channel = [&](double phase) {
            const double base = 128 + 90 * std::sin(6.0 * u + phase) * std::cos(4.0 * v - phase)
                + 30 * std::sin(40.0 * u * v);
            return std::clamp(base + noise(rng), 0.0, 255.0);
        };
        const double r = channel(0.0), g = channel(1.3), b = channel(2.6);
        const double luma = 0.3 * r + 0.59 * g + 0.11 * b;
        switch (bits) {
        case 1: {
            // Ordered dithering of the grey level.
            static const int bayer[4][4]
                = { { 0, 8, 2, 10 }, { 12, 4, 14, 6 }, { 3, 11, 1, 9 }, { 15, 7, 13, 5 } };
            return luma < (bayer[y & 3][x & 3] + 0.5) * 16 ? 1 : 0;
        }
        case 4:
            return uint32_t(luma) >> 4;
        case 8:
            return uint32_t(r / 51.2) * 36 + uint32_t(g / 51.2) * 6 + uint32_t(b / 51.2);
        default:
            return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
        }
    });
}

std::vector<Image> &Images()
{
    static std::vector<Image> images = [] {
        std::vector<Image> all;
        for (unsigned bits : { 1u, 4u, 8u, 24u })
            for (int size : { 160, 512, 1024 }) {
                const std::string dims = std::to_string(size) + "x" + std::to_string(size);
                all.push_back(
                    { "line" + std::to_string(bits) + "bpp/" + dims, LineArt(size, size, bits) });
                all.push_back(
                    { "photo" + std::to_string(bits) + "bpp/" + dims, Photo(size, size, bits) });
            }
        return all;
    }();
    return images;
}

void Lzrw1Compress(benchmark::State &state, const Image *image)
{
    CCompression coder;
    const uint8_t *out = nullptr;
    std::size_t len = 0;
    coder.Compress(image->rows.data(), image->rows.size(), &out, &len);
    const std::size_t buffer = coder.GetBufferSize();
    for (auto _ : state) {
        coder.Compress(image->rows.data(), image->rows.size(), &out, &len);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image->rows.size()));
    state.counters["size%"] = 100.0 * double(len) / double(image->rows.size());
    state.counters["grew"] = coder.GetBufferSize() != buffer;
}

void Lzrw1Decompress(benchmark::State &state, const Image *image)
{
    CCompression coder;
    const uint8_t *out = nullptr;
    std::size_t len = 0;
    coder.Compress(image->rows.data(), image->rows.size(), &out, &len);
    const std::vector<uint8_t> stream(out, out + len);
    CCompression decoder;
    decoder.Decompress(stream.data(), stream.size(), &out, &len);
    const std::size_t buffer = decoder.GetBufferSize();
    for (auto _ : state) {
        decoder.Decompress(stream.data(), stream.size(), &out, &len);
        benchmark::DoNotOptimize(out);
    }
    if (len != image->rows.size())
        state.SkipWithError("LZRW1 round trip failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image->rows.size()));
    state.counters["grew"] = decoder.GetBufferSize() != buffer;
}

// zlib with its streams kept between calls, so that neither side allocates
// per call.
struct Deflater {
    z_stream z {};
    Deflater() { deflateInit(&z, 1); }
    ~Deflater() { deflateEnd(&z); }
    std::size_t Run(const std::vector<uint8_t> &in, std::vector<uint8_t> &out)
    {
        deflateReset(&z);
        z.next_in = const_cast<Bytef *>(in.data());
        z.avail_in = uInt(in.size());
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        deflate(&z, Z_FINISH);
        return out.size() - z.avail_out;
    }
};

struct Inflater {
    z_stream z {};
    Inflater() { inflateInit(&z); }
    ~Inflater() { inflateEnd(&z); }
    std::size_t Run(const std::vector<uint8_t> &in, std::size_t inLen, std::vector<uint8_t> &out)
    {
        inflateReset(&z);
        z.next_in = const_cast<Bytef *>(in.data());
        z.avail_in = uInt(inLen);
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        inflate(&z, Z_FINISH);
        return out.size() - z.avail_out;
    }
};

void ZlibCompress(benchmark::State &state, const Image *image)
{
    Deflater deflater;
    std::vector<uint8_t> out(deflateBound(&deflater.z, uLong(image->rows.size())));
    std::size_t len = 0;
    for (auto _ : state) {
        len = deflater.Run(image->rows, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image->rows.size()));
    state.counters["size%"] = 100.0 * double(len) / double(image->rows.size());
}

void ZlibDecompress(benchmark::State &state, const Image *image)
{
    Deflater deflater;
    std::vector<uint8_t> packed(deflateBound(&deflater.z, uLong(image->rows.size())));
    const std::size_t packedLen = deflater.Run(image->rows, packed);
    std::vector<uint8_t> out(image->rows.size());
    Inflater inflater;
    std::size_t len = 0;
    for (auto _ : state) {
        len = inflater.Run(packed, packedLen, out);
        benchmark::DoNotOptimize(out.data());
    }
    if (len != image->rows.size())
        state.SkipWithError("zlib round trip failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image->rows.size()));
}

// Collects every run's throughput to print the comparison at the end.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> bytesPerSecond;
    std::map<std::string, double> sizePercent;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const std::string name = run.benchmark_name();
            auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                bytesPerSecond[name] = it->second.value;
            auto size = run.counters.find("size%");
            if (size != run.counters.end())
                sizePercent[name] = size->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    for (const Image &image : Images()) {
        benchmark::RegisterBenchmark(
            ("lzrw1_compress/" + image.label).c_str(), Lzrw1Compress, &image);
        benchmark::RegisterBenchmark(
            ("zlib1_compress/" + image.label).c_str(), ZlibCompress, &image);
        benchmark::RegisterBenchmark(
            ("lzrw1_decompress/" + image.label).c_str(), Lzrw1Decompress, &image);
        benchmark::RegisterBenchmark(
            ("zlib1_decompress/" + image.label).c_str(), ZlibDecompress, &image);
    }
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto mbps = [&](const std::string &name) {
        auto it = reporter.bytesPerSecond.find(name);
        return it == reporter.bytesPerSecond.end() ? 0.0 : it->second / 1e6;
    };
    std::printf("\nLZRW1 against zlib level 1 (MB/s of pixel rows; x = LZRW1 / zlib; "
                "goal: compress >= 2x, decompress >= 1.5x)\n");
    std::printf("%-22s %9s %9s %6s  %9s %9s %6s  %7s %7s\n", "image", "lz comp", "zl comp", "x",
        "lz dec", "zl dec", "x", "lz size", "zl size");
    double worstCompress = 1e9, worstDecompress = 1e9;
    for (const Image &image : Images()) {
        const double lc = mbps("lzrw1_compress/" + image.label);
        const double zc = mbps("zlib1_compress/" + image.label);
        const double ld = mbps("lzrw1_decompress/" + image.label);
        const double zd = mbps("zlib1_decompress/" + image.label);
        if (lc == 0 || zc == 0 || ld == 0 || zd == 0)
            continue;
        worstCompress = std::min(worstCompress, lc / zc);
        worstDecompress = std::min(worstDecompress, ld / zd);
        std::printf("%-22s %9.0f %9.0f %5.1fx  %9.0f %9.0f %5.1fx  %6.1f%% %6.1f%%\n",
            image.label.c_str(), lc, zc, lc / zc, ld, zd, ld / zd,
            reporter.sizePercent["lzrw1_compress/" + image.label],
            reporter.sizePercent["zlib1_compress/" + image.label]);
    }
    if (worstCompress < 1e9)
        std::printf(
            "lowest ratios: compress %.2fx, decompress %.2fx\n", worstCompress, worstDecompress);
    benchmark::Shutdown();
    return 0;
}
