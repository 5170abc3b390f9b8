// Lookups of the translation storage against a bare map lookup, loading a 10,000-row
// language table against only reading its rows from SQLite, and the resident memory that a
// flood of distinct agent messages costs against an unbounded record of them.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "translation/Vocabrix.h"

namespace {

using Localization::CVocabrix;
using Localization::LANGUAGE_INFO;

constexpr int kRows = 10000;

std::wstring Source(int i) {
    return L"Текст интерфейса номер " + std::to_wstring(i);
}
std::wstring Missing(int i) {
    return L"Нет перевода " + std::to_wstring(i);
}

// A language database in a fresh temporary folder, removed at exit.
class Database {
public:
    Database() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vocabrix-XXXXXX").string();
        folder_ = mkdtemp(pattern.data());
        file_ = folder_ / "lang.db";
        sqlite3* db = nullptr;
        sqlite3_open(file_.c_str(), &db);
        sqlite3_exec(db, "BEGIN; CREATE TABLE ENG (source TEXT, destination TEXT);", nullptr,
                     nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO ENG VALUES (?, ?)", -1, &insert, nullptr);
        for (int i = 0; i < kRows; ++i) {
            const std::string source = "Текст интерфейса номер " + std::to_string(i);
            const std::string destination = "Interface text number " + std::to_string(i);
            sqlite3_bind_text(insert, 1, source.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, destination.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    ~Database() {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path folder_;
    std::filesystem::path file_;
};

const Database& TheDatabase() {
    static const Database database;
    return database;
}

LANGUAGE_INFO English(const std::string& name = "English") {
    return {"ENG", name, TheDatabase().file().wstring()};
}

void LoadEnglish() {
    CVocabrix& storage = CVocabrix::Instance();
    storage.SetTranslateOn(true);
    storage.SelectLanguage(English());
}

std::vector<std::wstring> Texts(std::wstring (*make)(int)) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < kRows; i += 7) {
        texts.push_back(make(i));
    }
    return texts;
}

constexpr int kFlood = 100000;

double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

// A status text of the agent that names its device and time, so that no two are alike.
std::wstring AgentMessage(int i) {
    return L"Устройство 0123456789ABCDEF (id " + std::to_wstring(i) +
           L"): нет связи с сервером обновлений, следующая попытка в " + std::to_wstring(i % 24) +
           L":" + std::to_wstring(i % 60) + L".";
}

// The program's record: 100,000 distinct messages translated in the English interface.
void BM_FloodOfDistinctMessages(benchmark::State& state) {
    CVocabrix& storage = CVocabrix::Instance();
    storage.SetTranslateOn(true);
    storage.CleanUp();
    const double before = ResidentMegabytes();
    for (auto _ : state) {
        for (int i = 0; i < kFlood; ++i) {
            const std::wstring message = AgentMessage(i);
            benchmark::DoNotOptimize(storage.TranslateString(message.c_str()));
        }
    }
    state.counters["rss_growth_MB"] = ResidentMegabytes() - before;
    state.counters["left_out"] = static_cast<double>(storage.LeftOutCount());
    storage.CleanUp();
}

// Baseline: the same flood kept whole, as a record without a bound keeps it.
void BM_Baseline_UnboundedRecordFlood(benchmark::State& state) {
    const double before = ResidentMegabytes();
    std::map<std::wstring, std::wstring> record;
    for (auto _ : state) {
        for (int i = 0; i < kFlood; ++i) {
            const std::wstring message = AgentMessage(i);
            record.try_emplace(message, message);
        }
    }
    state.counters["rss_growth_MB"] = ResidentMegabytes() - before;
}

// First of all, so that no memory freed by an earlier benchmark hides the growth.
BENCHMARK(BM_FloodOfDistinctMessages)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Baseline_UnboundedRecordFlood)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Baseline_MapFind(benchmark::State& state) {
    std::map<std::wstring, std::wstring> map;
    for (int i = 0; i < kRows; ++i) {
        map.emplace(Source(i), L"Interface text number " + std::to_wstring(i));
    }
    const auto texts = Texts(Source);
    std::size_t next = 0;
    for (auto _ : state) {
        const wchar_t* text = texts[next++ % texts.size()].c_str();
        benchmark::DoNotOptimize(map.find(text)->second.c_str());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TranslateTranslated(benchmark::State& state) {
    LoadEnglish();
    const auto texts = Texts(Source);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            CVocabrix::Instance().TranslateString(texts[next++ % texts.size()].c_str()));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TranslateUntranslated(benchmark::State& state) {
    LoadEnglish();
    const auto texts = Texts(Missing);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            CVocabrix::Instance().TranslateString(texts[next++ % texts.size()].c_str()));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_TranslateOff(benchmark::State& state) {
    CVocabrix& storage = CVocabrix::Instance();
    storage.SetTranslateOn(false);
    const std::wstring text = Source(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(storage.TranslateString(text.c_str()));
    }
    storage.SetTranslateOn(true);
}

// Reading the rows alone: the floor under loading.
void BM_Baseline_SqliteReadAllRows(benchmark::State& state) {
    const std::string path = TheDatabase().file().string();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT source, destination FROM \"ENG\"", -1, &select, nullptr);
        std::size_t bytes = 0;
        while (sqlite3_step(select) == SQLITE_ROW) {
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(select, 0));
            benchmark::DoNotOptimize(sqlite3_column_text(select, 0));
            benchmark::DoNotOptimize(sqlite3_column_text(select, 1));
        }
        sqlite3_finalize(select);
        sqlite3_close(db);
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_SelectLanguage10000Rows(benchmark::State& state) {
    CVocabrix& storage = CVocabrix::Instance();
    storage.SetTranslateOn(true);
    int round = 0;
    for (auto _ : state) {
        // A different name makes every selection a real reload.
        storage.SelectLanguage(English(std::to_string(round++)));
    }
    std::pair<std::string, std::string> current;
    storage.GetCurrentLanguage(current);
    if (current.first != "ENG") {
        state.SkipWithError("language did not load");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_Baseline_MapFind);
BENCHMARK(BM_TranslateTranslated);
BENCHMARK(BM_TranslateUntranslated);
BENCHMARK(BM_TranslateOff);
BENCHMARK(BM_Baseline_SqliteReadAllRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectLanguage10000Rows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
