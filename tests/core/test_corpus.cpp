// Real DXF files written by other programs: every one imports without a
// crash or a sanitizer report. Skipped when no corpus was fetched (set
// TARSIN_CORPUS, or fetch into corpus/ at the source root).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "support/fichiers.h"

namespace fs = std::filesystem;

std::vector<std::string> fichiersDuCorpus() {
    const char* env = std::getenv("TARSIN_CORPUS");
    const std::string dossier = env ? env : source("corpus");
    std::vector<std::string> fichiers;
    std::error_code ec;
    if (!fs::is_directory(dossier, ec)) return fichiers;
    for (auto it = fs::recursive_directory_iterator(dossier, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::string ext = it->path().extension().string();
        for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (it->is_regular_file() && ext == ".dxf") fichiers.push_back(it->path().string());
    }
    std::sort(fichiers.begin(), fichiers.end());
    return fichiers;
}

TEST(Corpus, ChaqueFichierSImporte) {
    auto fichiers = fichiersDuCorpus();
    if (fichiers.empty()) GTEST_SKIP() << "pas de corpus de fichiers DXF";
    std::ofstream nul("/dev/null");
    size_t avecEntites = 0;
    for (const auto& f : fichiers) {
        SCOPED_TRACE(f);
        DXFHandler h(nul);
        ResultatLecture r = lireDXF(f, h);
        if (h.nombreObjets() > 0) ++avecEntites;
        (void)r;
    }
    std::cout << fichiers.size() << " fichiers, " << avecEntites << " avec des objets\n";
    EXPECT_GT(avecEntites, fichiers.size() / 2);
}
