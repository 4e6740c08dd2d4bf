// Encoding speed, with a plain copy of the same output size as the yardstick.
#include "buttoncode.h"
#include "charrefs.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// A text of about `bytes` bytes made of repeats of one sample.
std::string textOf(std::string_view sample, std::size_t bytes)
{
    std::string text;
    while (text.size() + sample.size() <= bytes) {
        text += sample;
    }
    return text;
}

constexpr std::string_view AsciiSample = "Handmade oak chopping board, 40 x 25 cm. ";
constexpr std::string_view Latin1Sample = "Crème brûlée für Mädchen, à côté. ";
constexpr std::string_view CjkSample = "日本茶の詰め合わせ、静岡産。";

void encode(benchmark::State& state, std::string_view sample)
{
    const std::string text = textOf(sample, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(quorvane::EncodeCharRefs(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// The same into a buffer that keeps its capacity, leaving out the allocator and
// the first touch of fresh pages.
void encodeInPlace(benchmark::State& state, std::string_view sample)
{
    const std::string text = textOf(sample, static_cast<std::size_t>(state.range(0)));
    std::string out;
    for (auto _ : state) {
        out.clear();
        quorvane::appendCharRefs(out, text);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// Copies as many bytes as the encoding of the same text writes.
void copyOutputSize(benchmark::State& state, std::string_view sample)
{
    const std::string source(
        quorvane::EncodeCharRefs(textOf(sample, static_cast<std::size_t>(state.range(0)))));
    std::string target(source.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}

void BM_EncodeAscii(benchmark::State& s)
{
    encode(s, AsciiSample);
}
void BM_EncodeLatin1(benchmark::State& s)
{
    encode(s, Latin1Sample);
}
void BM_EncodeCjk(benchmark::State& s)
{
    encode(s, CjkSample);
}
void BM_AppendAscii(benchmark::State& s)
{
    encodeInPlace(s, AsciiSample);
}
void BM_AppendLatin1(benchmark::State& s)
{
    encodeInPlace(s, Latin1Sample);
}
void BM_AppendCjk(benchmark::State& s)
{
    encodeInPlace(s, CjkSample);
}
void BM_MemcpyAsciiOutput(benchmark::State& s)
{
    copyOutputSize(s, AsciiSample);
}
void BM_MemcpyLatin1Output(benchmark::State& s)
{
    copyOutputSize(s, Latin1Sample);
}
void BM_MemcpyCjkOutput(benchmark::State& s)
{
    copyOutputSize(s, CjkSample);
}

void BM_GenerateButtonCode(benchmark::State& state)
{
    quorvane::ButtonRequest r;
    r.Account = "sales@oakandember.example";
    r.ItemName = "Handmade oak chopping board";
    r.ItemNumber = "OAK-4025";
    r.Amount = "34.95";
    r.ReturnUrl = "https://oakandember.example/thanks";
    r.CancelUrl = "https://oakandember.example/shop";
    r.NoteTitle = "Engraving";
    r.OwnImageUrl = "http://";
    r.UsePresetImage = true;
    r.ChosenImage = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(quorvane::GenerateButtonCode(r));
    }
}

constexpr std::int64_t KiB = 1024;
constexpr std::int64_t MiB = 1024 * KiB;

} // namespace

BENCHMARK(BM_EncodeAscii)->RangeMultiplier(4)->Range(KiB, 4 * MiB);
BENCHMARK(BM_AppendAscii)->RangeMultiplier(4)->Range(KiB, 4 * MiB);
BENCHMARK(BM_MemcpyAsciiOutput)->RangeMultiplier(4)->Range(KiB, 4 * MiB);
BENCHMARK(BM_EncodeLatin1)->Arg(KiB)->Arg(MiB);
BENCHMARK(BM_AppendLatin1)->Arg(KiB)->Arg(MiB);
BENCHMARK(BM_MemcpyLatin1Output)->Arg(KiB)->Arg(MiB);
BENCHMARK(BM_EncodeCjk)->Arg(KiB)->Arg(MiB);
BENCHMARK(BM_AppendCjk)->Arg(KiB)->Arg(MiB);
BENCHMARK(BM_MemcpyCjkOutput)->Arg(KiB)->Arg(MiB);
BENCHMARK(BM_GenerateButtonCode);
