// Pictures named by drawings: raster formats only, sizes checked before
// decoding, regular files only, a budget per repaint, paths resolved against
// the drawing's folder.
#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <sstream>

#include "render/images.h"
#include "support/fichiers.h"
#include "support/hostiles.h"

namespace {

// A green picture of l x h pixels in `format` ("png", "jpeg", "tiff", "bmp").
void ecrireImage(const std::string& chemin, int l, int h, const char* format = "png") {
    GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, l, h);
    gdk_pixbuf_fill(p, 0x00ff00ff);
    ASSERT_TRUE(gdk_pixbuf_save(p, chemin.c_str(), format, nullptr, nullptr));
    g_object_unref(p);
}

std::string octetsLE(std::uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// A real PNG whose header says `l` x `h` pixels (the CRC made right).
std::string pngAnnonce(const std::string& vrai, std::uint32_t l, std::uint32_t h) {
    std::string png = lireFichier(vrai);
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<char>(l >> (24 - 8 * i));
        png[20 + i] = static_cast<char>(h >> (24 - 8 * i));
    }
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return png;
}

// A green GIF of 8 x 6 pixels.
const std::string kGif(
    "GIF89a\x08\x00\x06\x00\xf0\x00\x00\x00\xff\x00\x00\x00\x00\x21\xf9\x04\x00\x00\x00"
    "\x00\x00\x2c\x00\x00\x00\x00\x08\x00\x06\x00\x00\x02\x06\x84\x8f\xa9\xcb\x7d\x05"
    "\x00\x3b",
    47);

const char* const kSvg =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">"
    "<rect width=\"10\" height=\"10\" fill=\"red\"/></svg>\n";

}  // namespace

TEST(FichiersImages, FormatsRasterSeulsEtTailleLueAvantLeDecodage) {
    DossierTemporaire d;
    const std::string png = d.chemin() + "/vert.png";
    ecrireImage(png, 8, 6);
    for (const char* format : {"jpeg", "tiff", "bmp"})
        ecrireImage(d.chemin() + "/vert." + format, 8, 6, format);
    const std::string tube = d.chemin() + "/tube.png";
    ASSERT_EQ(mkfifo(tube.c_str(), 0600), 0);
    const std::string enorme = d.ecrire("enorme.png", std::string("\x89PNG\r\n\x1a\n", 8));
    std::filesystem::resize_file(enorme, CacheImages::kTailleFichierMax + 1);

    struct Cas {
        std::string chemin;
        RefusImage refus;
        int largeur, hauteur;  // announced
    };
    const Cas cas[] = {
        {png, RefusImage::Aucun, 8, 6},
        {d.chemin() + "/vert.jpeg", RefusImage::Aucun, 8, 6},
        {d.chemin() + "/vert.tiff", RefusImage::Aucun, 8, 6},
        {d.chemin() + "/vert.bmp", RefusImage::Aucun, 8, 6},
        {d.ecrire("vert.gif", kGif), RefusImage::Aucun, 8, 6},
        // An SVG, named as one or disguised: never decoded.
        {d.ecrire("dessin.svg", kSvg), RefusImage::Format, 0, 0},
        {d.ecrire("deguise.png", kSvg), RefusImage::Format, 0, 0},
        {d.ecrire("vide.png", ""), RefusImage::Format, 0, 0},
        {tube, RefusImage::Illisible, 0, 0},
        {"/dev/zero", RefusImage::Illisible, 0, 0},
        {d.chemin(), RefusImage::Illisible, 0, 0},
        {enorme, RefusImage::TropVolumineux, 0, 0},
        // Headers announcing too many pixels: refused as soon as read.
        {d.ecrire("grand.png", pngAnnonce(png, 40000, 40000)), RefusImage::TropGrande, 40000,
         40000},
        {d.ecrire("haut.png", pngAnnonce(png, 8, 50000)), RefusImage::TropGrande, 8, 50000},
        {d.ecrire("grand.gif", "GIF89a\xff\xff\xff\xff\x80\x00\x00" + std::string(40, '\0')),
         RefusImage::TropGrande, 65535, 65535},
        {d.ecrire("grand.bmp", "BM" + octetsLE(54, 4) + octetsLE(0, 4) + octetsLE(54, 4) +
                                   octetsLE(40, 4) + octetsLE(40000, 4) + octetsLE(40000, 4) +
                                   octetsLE(1, 2) + octetsLE(24, 2) + std::string(24, '\0')),
         RefusImage::TropGrande, 40000, 40000},
        // A BMP information header said to be 3 GB long, which the loader
        // would allocate before reading it.
        {d.ecrire("entete.bmp", "BM" + octetsLE(78, 4) + octetsLE(0, 4) + octetsLE(54, 4) +
                                    octetsLE(0xBBBBBBBB, 4) + std::string(60, '\0')),
         RefusImage::Decodage, 0, 0},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.chemin);
        const auto debut = std::chrono::steady_clock::now();
        Decodage dec;
        GdkPixbuf* p = decoderImage(k.chemin, dec, CacheImages::kPixelsMax, CacheImages::kCoteMax);
        EXPECT_LT(std::chrono::steady_clock::now() - debut, std::chrono::seconds(5));
        EXPECT_EQ(dec.refus, k.refus);
        EXPECT_EQ(dec.largeur, k.largeur);
        EXPECT_EQ(dec.hauteur, k.hauteur);
        EXPECT_LE(dec.octetsLus, std::uint64_t{1} << 16);
        EXPECT_EQ(p != nullptr, k.refus == RefusImage::Aucun);
        if (p) g_object_unref(p);
    }

    // The cache says why, once per file.
    std::ostringstream erreurs;
    CacheImages cache(64 << 20, erreurs);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(cache.image(d.chemin() + "/deguise.png"), nullptr);
    EXPECT_EQ(erreurs.str(), "Image non chargee : " + d.chemin() +
                                 "/deguise.png n'est pas une image PNG, JPEG, TIFF, BMP ou GIF.\n");
    EXPECT_EQ(cache.decodages(), 1u);
}

TEST(FichiersImages, BudgetParRepeinte) {
    DossierTemporaire d;
    std::vector<std::string> fichiers;
    for (int i = 0; i < 4; ++i) {
        fichiers.push_back(d.chemin() + "/i" + std::to_string(i) + ".png");
        ecrireImage(fichiers.back(), 100, 100);
    }
    std::ostringstream erreurs;
    CacheImages cache(64 << 20, erreurs);
    // Room for two pictures of 40000 bytes and their files.
    cache.setBudgetRepeinte(100000);
    std::vector<bool> decodees;
    for (int repeinte = 0; repeinte < 2; ++repeinte) {
        cache.nouvelleRepeinte();
        for (const auto& f : fichiers) decodees.push_back(cache.image(f) != nullptr);
    }
    EXPECT_EQ(decodees, (std::vector<bool>{true, true, false, false, true, true, true, true}));
    // The third was tried and stopped at its header; the fourth waited.
    EXPECT_EQ(cache.decodages(), 5u);
    EXPECT_EQ(erreurs.str(),
              "Images : le budget de decodage de cette repeinte (0 Mo) est epuise, les images "
              "suivantes attendent la prochaine.\n");
}

TEST(FichiersImages, CheminRelatifAuDossierDuDessin) {
    DossierTemporaire travail, dessins;
    std::filesystem::create_directories(dessins.chemin() + "/photos");
    for (const char* f : {"/photo.png", "/photos/vue.png", "/ici.png"})
        ecrireImage(dessins.chemin() + f, 2, 2);
    ecrireImage(travail.chemin() + "/ici.png", 3, 3);
    const std::string avant = std::filesystem::current_path();
    ASSERT_EQ(chdir(travail.chemin().c_str()), 0);
    const std::string& dos = dessins.chemin();
    struct Cas {
        std::string fichier, attendu;
    };
    const Cas cas[] = {
        {"photo.png", dos + "/photo.png"},
        {"photos/vue.png", dos + "/photos/vue.png"},
        {"photos\\vue.png", dos + "/photos/vue.png"},
        {dos + "/photo.png", dos + "/photo.png"},
        {"ici.png", "ici.png"},  // as written first: in the working folder
        {"absente.png", "absente.png"},
        // Another machine's path: the file's name alone beside the drawing.
        {"C:\\plans\\photo.png", dos + "/photo.png"},
        {"/ailleurs/absente.png", "/ailleurs/absente.png"},
        {"", ""},
    };
    for (const Cas& k : cas) {
        EXPECT_EQ(cheminImage(k.fichier, dos), k.attendu) << k.fichier;
        EXPECT_EQ(cheminImage(k.fichier, dos + "/"), k.attendu) << k.fichier;
    }
    std::ostringstream erreurs;
    CacheImages cache(64 << 20, erreurs);
    cairo_surface_t* s = cache.image("photos\\vue.png", dos);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(cairo_image_surface_get_width(s), 2);
    ASSERT_EQ(chdir(avant.c_str()), 0);
}

// Work beyond the pixels: a progressive JPEG whose scans repeat is refused
// as soon as its scans are counted, before the loader goes through them;
// any picture not decoded by its deadline is given up.
TEST(FichiersImages, TravailEtEcheanceBornes) {
    DossierTemporaire d;
    const std::string un = d.ecrire("un.jpg", hostiles::jpegProgressif(64, 64, 1));
    const std::string mille = d.ecrire("mille.jpg", hostiles::jpegProgressif(64, 64, 1000));
    BornesDecodage cent, passee;
    cent.travail = 64 * 64 * 100;
    passee.echeance = std::chrono::steady_clock::now();
    struct Cas {
        std::string chemin;
        BornesDecodage bornes;
        RefusImage refus;
        int passes;
    };
    for (const Cas& k :
         {Cas{un, cent, RefusImage::Aucun, 2}, Cas{mille, cent, RefusImage::TropCouteux, 1001},
          Cas{un, passee, RefusImage::Temps, 2}}) {
        Decodage dec;
        GdkPixbuf* p =
            decoderImage(k.chemin, dec, CacheImages::kPixelsMax, CacheImages::kCoteMax, k.bornes);
        EXPECT_EQ(dec.refus, k.refus) << k.chemin;
        EXPECT_EQ(dec.passes, k.passes) << k.chemin;
        EXPECT_EQ(p != nullptr, k.refus == RefusImage::Aucun);
        if (p) g_object_unref(p);
    }
    // Said once, and not tried again.
    std::ostringstream erreurs;
    CacheImages cache(64 << 20, erreurs);
    cache.setTravailRepeinte(64 * 64 * 100);
    for (int i = 0; i < 2; ++i, cache.nouvelleRepeinte()) EXPECT_EQ(cache.image(mille), nullptr);
    EXPECT_EQ(cache.decodages(), 1u);
    EXPECT_EQ(erreurs.str(), "Image trop couteuse a decoder, non chargee : " + mille +
                                 " (au moins 1001 passes de 64 x 64 pixels ; au plus 409600 "
                                 "pixels decodes par repeinte)\n");
}
