// Real DXF files written by other programs: every one imports without a
// crash or a sanitizer report, and shows the kinds it holds. Skipped when no corpus was fetched
// (set TARSIN_CORPUS, or fetch into corpus/ at the source root).
#include <cairo.h>
#include <cairomm/context.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "import/dxfhandler.h"
#include "import/lecture.h"
#include "model/etendue.h"
#include "render/peintre.h"
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

namespace {

// The kinds of record that the model did not hold before and now paints.
const char* const kGenresPeints[] = {"HATCH",  "SPLINE", "ELLIPSE", "SOLID",    "TRACE",
                                     "3DFACE", "LEADER", "WIPEOUT", "DIMENSION"};

bool genrePeint(const std::string& genre) {
    for (const char* g : kGenresPeints)
        if (genre == g) return true;
    return false;
}

std::string sansBlancs(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return s.substr(i);
}

// The text without the records of those kinds; `combien` counts those of
// the ENTITIES section that have something to show (those of blocks may
// never be inserted, a dimension may name no block).
std::string sansGenresPeints(const std::string& texte, int& combien) {
    std::istringstream in(texte);
    std::string code, valeur, sortie, section, genre;
    bool garde = true, nomSection = false, bloc = false;
    combien = 0;
    while (std::getline(in, code) && std::getline(in, valeur)) {
        const std::string c = sansBlancs(code), v = sansBlancs(valeur);
        if (nomSection && c == "2") section = v;
        nomSection = c == "0" && v == "SECTION";
        bloc = bloc || c == "2";
        if (c == "0") {
            combien += !garde && section == "ENTITIES" && (genre != "DIMENSION" || bloc);
            genre = v;
            garde = !genrePeint(v);
            bloc = false;
        }
        if (garde) sortie += code + "\n" + valeur + "\n";
    }
    return sortie;
}

// Pixels inked by `texte` painted in a 400 x 400 picture showing `boite`.
long encre(const std::string& texte, const Boite& boite, Boite* etendueLue = nullptr) {
    std::ofstream nul("/dev/null");
    DXFHandler h(nul);
    std::istringstream in(texte);
    lireDXF(in, h);
    if (etendueLue) *etendueLue = etendue(*h.getDessin());
    const Boite& b = etendueLue ? *etendueLue : boite;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 400, 400);
    long n = 0;
    {
        Cairo::RefPtr<Cairo::Context> cr(new Cairo::Context(cairo_create(s), true));
        cr->set_source_rgb(1, 1, 1);
        cr->paint();
        Trace trace(nul);
        OptionsPeinture options;
        options.calquesMasquables = false;
        Peintre p(trace, options);
        p.setFils(1);
        p.peindre(cr, *h.getDessin(), ajuster(b, 400, 400, 10), 400, Zone{0, 0, 400, 400}, {});
    }
    cairo_surface_flush(s);
    for (int y = 0; y < 400; ++y) {
        const auto* l = reinterpret_cast<const std::uint32_t*>(
            cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s));
        for (int x = 0; x < 400; ++x) n += (l[x] & 0xFFFFFF) != 0xFFFFFF;
    }
    cairo_surface_destroy(s);
    return n;
}

}  // namespace

// The files that hold hatches, splines, ellipses, solids, 3D faces,
// leaders, wipeouts or dimensions show them: painted in the same view, each
// inks more pixels than the same file without those records (a file may
// hold them only where nothing shows: in paper space, on frozen layers).
TEST(Corpus, LesGenresAjoutesSeVoient) {
    auto fichiers = fichiersDuCorpus();
    if (fichiers.empty()) GTEST_SKIP() << "pas de corpus de fichiers DXF";
    int avecGenres = 0, plusEncres = 0;
    for (const auto& f : fichiers) {
        std::ifstream in(f, std::ios::binary);
        const std::string texte((std::istreambuf_iterator<char>(in)), {});
        int combien = 0;
        const std::string sans = sansGenresPeints(texte, combien);
        if (combien == 0) continue;
        ++avecGenres;
        Boite b;
        const long avec = encre(texte, b, &b);
        const long moins = encre(sans, b);
        plusEncres += avec > moins;
        if (avec <= moins) std::cout << f << " : " << avec << " pixels, " << moins << " sans\n";
    }
    std::cout << avecGenres << " fichiers avec ces genres, " << plusEncres << " plus encres\n";
    ASSERT_GT(avecGenres, 0);
    EXPECT_GE(plusEncres * 10, avecGenres * 9);
}
