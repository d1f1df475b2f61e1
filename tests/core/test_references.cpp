// Reference pictures: every drawing of tests/references is painted by
// tarsin-render and compared with its expected PNG.
//
// Tolerance: a pixel differs when one of its channels differs by more than
// kEcartCanal levels; a picture passes when at most kPartMax of its pixels
// differ (antialiasing and font rasterising may move a few edge pixels from
// one machine to another). A failure leaves the painted picture and a
// difference picture (differing pixels in red over a faded reference) in
// the build folder's references-ecarts/. scripts/references.sh paints the
// references anew.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/fichiers.h"

namespace fs = std::filesystem;

namespace {

constexpr int kEcartCanal = 8;
constexpr double kPartMax = 0.0005;

std::vector<std::string> dessins() {
    std::vector<std::string> noms;
    for (const auto& e : fs::directory_iterator(source("tests/references")))
        if (e.path().extension() == ".dxf") noms.push_back(e.path().stem().string());
    std::sort(noms.begin(), noms.end());
    return noms;
}

// The options of a drawing: the default size, then its .args file's words.
std::vector<std::string> options(const std::string& nom) {
    std::vector<std::string> o = {"--quiet", "--size", "240x240"};
    std::ifstream f(source("tests/references/" + nom + ".args"));
    std::string mot;
    while (f >> mot) o.push_back(mot);
    return o;
}

struct Pixels {
    cairo_surface_t* s;
    explicit Pixels(const std::string& chemin)
        : s(cairo_image_surface_create_from_png(chemin.c_str())) {}
    ~Pixels() { cairo_surface_destroy(s); }
    bool valide() const { return cairo_surface_status(s) == CAIRO_STATUS_SUCCESS; }
    int l() const { return cairo_image_surface_get_width(s); }
    int h() const { return cairo_image_surface_get_height(s); }
    std::uint32_t* ligne(int y) const {
        return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                y * cairo_image_surface_get_stride(s));
    }
};

bool differe(std::uint32_t a, std::uint32_t b, int ecart) {
    for (int k = 0; k < 24; k += 8) {
        const int d = static_cast<int>((a >> k) & 0xFF) - static_cast<int>((b >> k) & 0xFF);
        if (d > ecart || d < -ecart) return true;
    }
    return false;
}

class References : public ::testing::TestWithParam<std::string> {};

const fs::path ecarts = fs::path(TARSIN_BIN_DIR) / "references-ecarts";

// Compares the picture `peint` with the reference of `nom` (`suffixe` names
// the difference picture); removes it when it passes.
void comparer(const std::string& nom, const std::string& peint, const std::string& suffixe = "",
              int tolerance = kEcartCanal, double partMax = kPartMax) {
    const std::string reference = source("tests/references/" + nom + ".png");
    Pixels a(peint), b(reference);
    ASSERT_TRUE(a.valide() && b.valide());
    ASSERT_EQ(a.l(), b.l());
    ASSERT_EQ(a.h(), b.h());
    long differents = 0;
    cairo_surface_t* ecart = cairo_image_surface_create(CAIRO_FORMAT_RGB24, a.l(), a.h());
    for (int y = 0; y < a.h(); ++y) {
        auto* d = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(ecart) +
                                                   y * cairo_image_surface_get_stride(ecart));
        for (int x = 0; x < a.l(); ++x) {
            const bool diff = differe(a.ligne(y)[x], b.ligne(y)[x], tolerance);
            differents += diff;
            // Differing pixels red, the others the reference's grey, faded.
            const std::uint32_t p = b.ligne(y)[x];
            const std::uint32_t gris = (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
            const std::uint32_t pale = 192 + gris / 4;
            d[x] = diff ? 0xFF0000u : (pale << 16) | (pale << 8) | pale;
        }
    }
    cairo_surface_mark_dirty(ecart);
    const double part = static_cast<double>(differents) / (a.l() * a.h());
    if (part > partMax) {
        const fs::path image = ecarts / (nom + suffixe + "-ecart.png");
        cairo_surface_write_to_png(ecart, image.c_str());
        ADD_FAILURE() << nom << suffixe << " : " << differents << " pixels differents ("
                      << part * 100 << " %) ; voir " << image.string();
    } else {
        fs::remove(peint);
    }
    cairo_surface_destroy(ecart);
}

// Paints the drawing `nom` into `sortie` with its options.
void peindre(const std::string& nom, const std::string& sortie) {
    std::vector<std::string> arguments = {programme("tarsin-render"),
                                          source("tests/references/" + nom + ".dxf"), sortie};
    for (const auto& o : options(nom)) arguments.push_back(o);
    const Execution e = executer(arguments);
    ASSERT_EQ(e.statut, 0) << e.erreurs;
}

}  // namespace

TEST_P(References, PeintCommeLaReference) {
    const std::string nom = GetParam();
    ASSERT_TRUE(fs::exists(source("tests/references/" + nom + ".png")))
        << "pas de reference : lancer scripts/references.sh " << nom;
    fs::create_directories(ecarts);
    const std::string peint = (ecarts / (nom + ".png")).string();
    peindre(nom, peint);
    comparer(nom, peint);
}

TEST(References, OrdreDuDessinDansUnPdf) {
    // The PDF of the drawing, rendered back to pixels, shows what covers
    // what as the PNG does: another rasteriser's edges differ, a line left
    // over a fill or under a wipeout differs wholly.
    const std::string pdftocairo = outil("pdftocairo");
    if (pdftocairo.empty()) GTEST_SKIP() << "pdftocairo absent";
    fs::create_directories(ecarts);
    const std::string base = (ecarts / "ordre-dessin-pdf").string();
    peindre("ordre-dessin", base + ".pdf");
    ASSERT_EQ(executer({pdftocairo, "-png", "-singlefile", "-r", "72", base + ".pdf", base}).statut,
              0);
    fs::remove(base + ".pdf");
    comparer("ordre-dessin", base + ".png", "-pdf", 191, 0.001);
}

INSTANTIATE_TEST_SUITE_P(Dessins, References, ::testing::ValuesIn(dessins()),
                         [](const ::testing::TestParamInfo<std::string>& i) {
                             std::string n = i.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

TEST(References, MemesNomsEnPageDeCodeEtEnUtf8) {
    // The same accented names, in code page 1252 in an R12 drawing and in
    // UTF-8 in a 2007 one: the same picture, pixel for pixel.
    DossierTemporaire dossier;
    std::vector<std::string> pngs;
    for (const char* nom : {"accents-r12-cp1252", "accents-r2007-utf8"}) {
        pngs.push_back(dossier.chemin() + "/" + nom + ".png");
        std::vector<std::string> arguments = {
            programme("tarsin-render"), source(std::string("tests/references/") + nom + ".dxf"),
            pngs.back()};
        for (const auto& o : options(nom)) arguments.push_back(o);
        ASSERT_EQ(executer(arguments).statut, 0);
    }
    Pixels a(pngs[0]), b(pngs[1]);
    ASSERT_TRUE(a.valide() && b.valide());
    ASSERT_EQ(a.l(), b.l());
    ASSERT_EQ(a.h(), b.h());
    long encre = 0;
    for (int y = 0; y < a.h(); ++y)
        for (int x = 0; x < a.l(); ++x) {
            ASSERT_EQ(a.ligne(y)[x], b.ligne(y)[x]) << x << ", " << y;
            encre += a.ligne(y)[x] != 0xFFFFFFFFu;
        }
    EXPECT_GT(encre, 1000);
}
