// Loading an assessment file of 1 MB: a saved assessment followed by a long section of
// notes, so that every key is looked up in a large text. The file is read once.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "appdata/appdata.h"
#include "appdata/ini.h"

namespace {

std::string MakeMegabyteFile() {
    const auto folder = std::filesystem::temp_directory_path() / "nuvir-bench-settings";
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "large.raf").generic_string();
    nuvir::SaveAppData(nuvir::GetAppDataDefaults(false, nuvir::Variant()), file, false);
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << "[Notes]\r\n";
    for (std::size_t size = std::filesystem::file_size(file); size < (1u << 20); size += 40)
        out << "note" << size << "=an analyst's remark about the case\r\n";
    return file;
}

void BM_LoadAppData1MB(benchmark::State& state) {
    const std::string file = MakeMegabyteFile();
    for (auto _ : state) {
        nuvir::Variant data = nuvir::LoadAppData(file, false, nuvir::Variant());
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(file)));
    std::filesystem::remove_all(std::filesystem::path(file).parent_path());
}
BENCHMARK(BM_LoadAppData1MB)->Unit(benchmark::kMillisecond);

}  // namespace
