// Black lists at their largest: saving and loading a list that fills the 100,000-byte image,
// and opening the editor on a list of about 5,000 items. Baselines in the same run: writing
// and reading the same bytes as a plain file, and filling a bare tree control with as many
// items.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/treectrl.h>

#include "blacklist/BlackListText.h"
#include "blacklist/BlackListTree.h"
#include "blacklist/Composer.h"
#include "blacklist/ui/CBlackListDlg.h"
#include "platform/FileWrite.h"

namespace {

namespace fs = std::filesystem;
using namespace vorn::blacklist;

struct Place {
    Place() {
        std::string pattern = (fs::temp_directory_path() / "vorn-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder = pattern;
    }
    ~Place() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    fs::path folder;
};

Place& Folder() {
    static Place place;
    return place;
}

// One currency, one denomination and serial numbers until the image is all but full.
const BlackListNode& FullList() {
    static const ParsedTree parsed = [] {
        std::wstring text = L"USD\n  100 1995 *\n";
        for (int i = 0; i < 3568; ++i) {
            text += L"    " + std::to_wstring(1000000 + i) + L"\n";
        }
        return TextToTree(text);
    }();
    return *parsed.root;
}

// 10 currencies, 10 denominations each, 49 serial numbers under each denomination: 5,010
// items below the top one.
fs::path ManyItemsFile() {
    static const fs::path file = [] {
        std::wstring text;
        for (int c = 0; c < 10; ++c) {
            text += L"C" + std::to_wstring(c) + L"\n";
            for (int d = 0; d < 10; ++d) {
                text += L"  " + std::to_wstring(d + 1) + L" 2000 *\n";
                for (int s = 0; s < 49; ++s) {
                    text += L"    " + std::to_wstring(s) + L"\n";
                }
            }
        }
        const fs::path path = Folder().folder / "many.blist";
        Composer composer(path);
        if (WriteTree(composer, *TextToTree(text).root) != kComposeOk || !composer.Save()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            std::exit(1);
        }
        return path;
    }();
    return file;
}

void BM_SaveFullList(benchmark::State& state) {
    const fs::path file = Folder().folder / "full.blist";
    for (auto _ : state) {
        Composer composer(file);
        WriteTree(composer, FullList());
        if (!composer.Save()) {
            state.SkipWithError("save failed");
        }
        benchmark::DoNotOptimize(composer.Image().size());
    }
    state.SetBytesProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_SaveFullList)->Unit(benchmark::kMicrosecond);

void BM_Baseline_WriteSameBytes(benchmark::State& state) {
    Composer composer("unused");
    WriteTree(composer, FullList());
    const std::string image = composer.Image();
    const fs::path file = Folder().folder / "plain.bin";
    for (auto _ : state) {
        if (!vorn::platform::ReplaceFileAtomically(file, image)) {
            state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_Baseline_WriteSameBytes)->Unit(benchmark::kMicrosecond);

void BM_LoadFullList(benchmark::State& state) {
    const fs::path file = Folder().folder / "full.blist";
    Composer composer(file);
    WriteTree(composer, FullList());
    composer.Save();
    state.counters["bytes"] = static_cast<double>(composer.Image().size());
    for (auto _ : state) {
        const LoadedBlackList loaded = LoadBlackList(file);
        if (!loaded.root) {
            state.SkipWithError("load failed");
        }
        benchmark::DoNotOptimize(loaded.root.get());
    }
    state.SetBytesProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_LoadFullList)->Unit(benchmark::kMicrosecond);

void BM_Baseline_ReadSameBytes(benchmark::State& state) {
    const fs::path file = Folder().folder / "full.blist";
    for (auto _ : state) {
        std::ifstream in(file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_Baseline_ReadSameBytes)->Unit(benchmark::kMicrosecond);

void BM_EditorOpensFiveThousandItems(benchmark::State& state) {
    const fs::path file = ManyItemsFile();
    for (auto _ : state) {
        auto* editor = new vorn::CBlackListDlg(nullptr, file);
        benchmark::DoNotOptimize(editor->Tree().GetCount());
        state.PauseTiming();
        editor->Destroy();
        wxTheApp->ProcessPendingEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorOpensFiveThousandItems)->Unit(benchmark::kMillisecond);

void BM_Baseline_BareTreeFiveThousandItems(benchmark::State& state) {
    for (auto _ : state) {
        auto* dialog = new wxDialog(nullptr, wxID_ANY, "bare");
        auto* tree = new wxTreeCtrl(dialog, wxID_ANY);
        const wxTreeItemId top = tree->AddRoot("The Black List");
        for (int c = 0; c < 10; ++c) {
            const wxTreeItemId currency = tree->AppendItem(top, wxString::Format("C%d", c));
            for (int d = 0; d < 10; ++d) {
                const wxTreeItemId nominal =
                    tree->AppendItem(currency, wxString::Format("%d, 2000, *", d + 1));
                for (int s = 0; s < 49; ++s) {
                    tree->AppendItem(nominal, wxString::Format("%d", s));
                }
            }
        }
        tree->ExpandAll();
        benchmark::DoNotOptimize(tree->GetCount());
        state.PauseTiming();
        dialog->Destroy();
        wxTheApp->ProcessPendingEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Baseline_BareTreeFiveThousandItems)->Unit(benchmark::kMillisecond);

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(wxApp);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "cannot start wxWidgets (is DISPLAY set?)\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    wxEntryCleanup();
    return 0;
}
