#include "render/images.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "fichiers/ouverture.h"

namespace {

// The gdk-pixbuf loader of a raster picture, told by its first bytes; null
// for anything else.
const char* chargeurDe(const unsigned char* d, std::size_t n) {
    auto debut = [&](const char* signature, std::size_t k) {
        return n >= k && std::memcmp(d, signature, k) == 0;
    };
    if (debut("\x89PNG\r\n\x1a\n", 8)) return "png";
    if (debut("\xff\xd8\xff", 3)) return "jpeg";
    if (debut("GIF87a", 6) || debut("GIF89a", 6)) return "gif";
    if (debut("II*\0", 4) || debut("MM\0*", 4)) return "tiff";
    if (debut("BM", 2)) return "bmp";
    return nullptr;
}

// Whether the headers of a BMP file hold together. gdk-pixbuf's loader
// allocates the size of the information header before it reads it: a file
// of a few bytes announcing a header of 3 GB would have that allocated. The
// header sizes are the ones BMP defines (OS/2 and Windows, up to version 5),
// and the pixels must start within the file.
bool enTetesBmpPlausibles(const unsigned char* d, std::size_t n, std::uint64_t tailleFichier) {
    if (n < 18) return false;
    auto mot = [d](std::size_t i) {
        return std::uint32_t{d[i]} | std::uint32_t{d[i + 1]} << 8 | std::uint32_t{d[i + 2]} << 16 |
               std::uint32_t{d[i + 3]} << 24;
    };
    const std::uint32_t debutPixels = mot(10), tailleEnTete = mot(14);
    static constexpr std::uint32_t kTailles[] = {12, 16, 40, 52, 56, 64, 108, 124};
    return std::find(std::begin(kTailles), std::end(kTailles), tailleEnTete) !=
               std::end(kTailles) &&
           debutPixels <= tailleFichier;
}

// The markers of a JPEG file read as its bytes go by, in pieces of any
// size: the size of the frame and whether it is progressive, from its SOF
// segment, and the count of its scans (SOS segments, each followed by its
// entropy-coded data, which ends at the first marker other than a restart).
class MarqueursJpeg {
  public:
    void lire(const unsigned char* d, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) octet(d[i]);
    }
    int scans() const { return scans_; }
    bool progressif() const { return progressif_; }
    int largeur() const { return largeur_; }
    int hauteur() const { return hauteur_; }

  private:
    enum Etat { Debut, Code, Longueur1, Longueur2, Segment, Donnees, DonneesFF };

    void octet(unsigned char c) {
        switch (etat_) {
            case Debut:
                if (c == 0xFF) etat_ = Code;
                break;
            case Code:
                code(c);
                break;
            case Longueur1:
                reste_ = c << 8;
                etat_ = Longueur2;
                break;
            case Longueur2:
                reste_ = (reste_ | c) - 2;
                lu_ = 0;
                etat_ = reste_ > 0 ? Segment : marqueur_ == 0xDA ? Donnees : Debut;
                break;
            case Segment:
                // The frame's size: bytes 1-2 (height) and 3-4 (width).
                if (sof_ && lu_ >= 1 && lu_ <= 4) {
                    int& cote = lu_ <= 2 ? hauteur_ : largeur_;
                    cote = (lu_ == 1 || lu_ == 3) ? c << 8 : cote | c;
                }
                ++lu_;
                if (--reste_ <= 0) etat_ = marqueur_ == 0xDA ? Donnees : Debut;
                break;
            case Donnees:
                if (c == 0xFF) etat_ = DonneesFF;
                break;
            case DonneesFF:
                if (c == 0x00 || (c >= 0xD0 && c <= 0xD7))
                    etat_ = Donnees;  // a stuffed byte, a restart
                else if (c != 0xFF)
                    code(c);
                break;
        }
    }

    void code(unsigned char c) {
        marqueur_ = c;
        if (c == 0xFF) return;  // fill bytes
        // Markers without a segment: SOI, EOI, TEM, restarts.
        if (c == 0xD8 || c == 0xD9 || c == 0x01 || c == 0x00 || (c >= 0xD0 && c <= 0xD7)) {
            etat_ = Debut;
            return;
        }
        // SOF0 to SOF15 but DHT (C4), JPG (C8) and DAC (CC); progressive:
        // SOF2, SOF6, SOF10, SOF14.
        sof_ = c >= 0xC0 && c <= 0xCF && c != 0xC4 && c != 0xC8 && c != 0xCC;
        if (sof_) progressif_ = (c & 3) == 2;
        if (c == 0xDA) ++scans_;
        etat_ = Longueur1;
    }

    Etat etat_ = Debut;
    unsigned char marqueur_ = 0;
    bool sof_ = false, progressif_ = false;
    int reste_ = 0, lu_ = 0;
    int largeur_ = 0, hauteur_ = 0;
    int scans_ = 0;
};

// What the size-prepared handler needs to judge the announced size.
struct Entete {
    Decodage& d;
    std::int64_t pixelsMax;
    int coteMax;
    const BornesDecodage& bornes;
    bool vu = false;
};

// The work of a picture of `pixels` pixels decoded in `passes` passes,
// and its refusal when that is beyond what is allowed.
void compterTravail(Decodage& d, std::int64_t pixels, int passes, std::uint64_t travailMax) {
    d.passes = std::max(passes, 1);
    d.travail = static_cast<std::uint64_t>(std::max<std::int64_t>(pixels, 0)) *
                static_cast<std::uint64_t>(d.passes);
    if (d.travail > travailMax && d.refus == RefusImage::Aucun) d.refus = RefusImage::TropCouteux;
}

void tailleAnnoncee(GdkPixbufLoader* chargeur, int largeur, int hauteur, gpointer donnees) {
    auto& e = *static_cast<Entete*>(donnees);
    if (e.vu) return;
    e.vu = true;
    e.d.largeur = largeur;
    e.d.hauteur = hauteur;
    const std::int64_t pixels = std::int64_t{largeur} * hauteur;
    if (largeur <= 0 || hauteur <= 0 || largeur > e.coteMax || hauteur > e.coteMax ||
        pixels > e.pixelsMax)
        e.d.refus = RefusImage::TropGrande;
    else if (e.d.octetsLus + 4 * static_cast<std::uint64_t>(pixels) > e.bornes.octets)
        e.d.refus = RefusImage::Budget;
    else
        compterTravail(e.d, pixels, e.d.passes, e.bornes.travail);
    // A size of 0 x 0 makes every loader stop before it allocates the
    // picture (gdk_pixbuf_get_file_info stops them so).
    if (e.d.refus != RefusImage::Aucun) gdk_pixbuf_loader_set_size(chargeur, 0, 0);
}

}  // namespace

GdkPixbuf* decoderImage(const std::string& chemin, Decodage& d, std::int64_t pixelsMax, int coteMax,
                        const BornesDecodage& bornes) {
    d = Decodage();
    Acces acces;
    struct stat st;
    Descripteur fd = ouvrirOrdinaire(chemin, acces, &st);
    if (!fd.valide()) {
        d.refus = RefusImage::Illisible;
        return nullptr;
    }
    if (static_cast<std::size_t>(st.st_size) > CacheImages::kTailleFichierMax) {
        d.refus = RefusImage::TropVolumineux;
        return nullptr;
    }

    // Small pieces: the deadline is checked between two.
    constexpr std::size_t kMorceau = std::size_t{1} << 14;
    std::vector<unsigned char> morceau(kMorceau);
    // Fills the piece as far as the file goes; its size, or -1.
    auto lire = [&]() -> long {
        std::size_t n = 0;
        while (n < kMorceau) {
            const long k =
                lireMorceau(fd.get(), reinterpret_cast<char*>(morceau.data()) + n, kMorceau - n);
            if (k < 0) return -1;
            if (k == 0) break;
            n += static_cast<std::size_t>(k);
        }
        d.octetsLus += n;
        return static_cast<long>(n);
    };

    long n = lire();
    const char* type = n > 0 ? chargeurDe(morceau.data(), static_cast<std::size_t>(n)) : nullptr;
    if (!type) {
        d.refus = n < 0 ? RefusImage::Illisible : RefusImage::Format;
        return nullptr;
    }
    if (std::strcmp(type, "bmp") == 0 &&
        !enTetesBmpPlausibles(morceau.data(), static_cast<std::size_t>(n),
                              static_cast<std::uint64_t>(st.st_size))) {
        d.refus = RefusImage::Decodage;
        return nullptr;
    }
    GdkPixbufLoader* chargeur = gdk_pixbuf_loader_new_with_type(type, nullptr);
    if (!chargeur) {
        d.refus = RefusImage::Format;
        return nullptr;
    }
    Entete entete{d, pixelsMax, coteMax, bornes};
    g_signal_connect(chargeur, "size-prepared", G_CALLBACK(tailleAnnoncee), &entete);
    const bool jpeg = std::strcmp(type, "jpeg") == 0;
    MarqueursJpeg marqueurs;

    bool ecrit = true;
    while (n > 0 && d.refus == RefusImage::Aucun) {
        // The scans of this piece counted before the loader goes through them.
        if (jpeg) {
            marqueurs.lire(morceau.data(), static_cast<std::size_t>(n));
            if (!entete.vu) {
                d.largeur = marqueurs.largeur();
                d.hauteur = marqueurs.hauteur();
            }
            compterTravail(d, std::int64_t{marqueurs.largeur()} * marqueurs.hauteur(),
                           marqueurs.progressif() ? marqueurs.scans() : 1, bornes.travail);
        }
        if (std::chrono::steady_clock::now() > bornes.echeance) d.refus = RefusImage::Temps;
        if (d.refus != RefusImage::Aucun) break;
        ecrit = gdk_pixbuf_loader_write(chargeur, morceau.data(), static_cast<gsize>(n), nullptr);
        if (!ecrit || d.refus != RefusImage::Aucun) break;
        n = lire();
        if (d.octetsLus > CacheImages::kTailleFichierMax)
            d.refus = RefusImage::TropVolumineux;
        else if (d.octetsLus > bornes.octets)
            d.refus = RefusImage::Budget;
    }
    // Closed in every case (a loader dropped open complains); a picture cut
    // short or refused makes it fail, which says nothing more.
    const bool ferme = gdk_pixbuf_loader_close(chargeur, nullptr);
    GdkPixbuf* pixbuf = nullptr;
    if (d.refus == RefusImage::Aucun) {
        if (n < 0)
            d.refus = RefusImage::Illisible;
        else if (!ecrit || !ferme || !(pixbuf = gdk_pixbuf_loader_get_pixbuf(chargeur)))
            d.refus = RefusImage::Decodage;
        else
            g_object_ref(pixbuf);
    }
    g_object_unref(chargeur);
    return pixbuf;
}

std::string cheminImage(const std::string& fichier, const std::string& dossierDessin) {
    auto ordinaire = [](const std::string& c) {
        struct stat st;
        return ::stat(c.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    };
    // Windows writes its paths with '\': the same path with '/' comes after.
    std::vector<std::string> ecrits{fichier};
    if (fichier.find('\\') != std::string::npos) {
        ecrits.push_back(fichier);
        std::replace(ecrits.back().begin(), ecrits.back().end(), '\\', '/');
    }
    for (const std::string& c : ecrits) {
        if (c.empty()) continue;
        if (ordinaire(c)) return c;
        if (c[0] != '/' && !dossierDessin.empty()) {
            const bool barre = dossierDessin.back() == '/';
            const std::string voisin = dossierDessin + (barre ? "" : "/") + c;
            if (ordinaire(voisin)) return voisin;
        }
    }
    // Drawings carry the paths of the machine they were made on: last, the
    // file's name alone beside the drawing.
    const std::string& c = ecrits.back();
    const std::size_t barre = c.find_last_of('/');
    if (!dossierDessin.empty() && barre != std::string::npos && barre + 1 < c.size()) {
        const bool fin = dossierDessin.back() == '/';
        const std::string voisin = dossierDessin + (fin ? "" : "/") + c.substr(barre + 1);
        if (ordinaire(voisin)) return voisin;
    }
    return fichier;
}

CacheImages::CacheImages(std::size_t budget, std::ostream& erreurs)
    : budget_(budget), erreurs_(erreurs) {}

CacheImages::~CacheImages() { vider(); }

void CacheImages::liberer(Entree& e) {
    if (e.surface) cairo_surface_destroy(e.surface);
    e.surface = nullptr;
    octets_ -= e.octets;
    e.octets = 0;
}

void CacheImages::oublier(const std::string& chemin) {
    auto it = entrees_.find(chemin);
    if (it == entrees_.end()) return;
    liberer(it->second);
    entrees_.erase(it);
}

void CacheImages::vider() {
    for (auto& [chemin, e] : entrees_) liberer(e);
    entrees_.clear();
}

void CacheImages::nouvelleRepeinte() {
    depense_ = 0;
    travailDepense_ = 0;
    budgetEpuise_ = false;
    budgetSignale_ = false;
}

void CacheImages::signalerBudget() {
    budgetEpuise_ = true;
    if (budgetSignale_) return;
    budgetSignale_ = true;
    erreurs_ << "Images : le budget de decodage de cette repeinte (" << (budgetRepeinte_ >> 20)
             << " Mo) est epuise, les images suivantes attendent la prochaine." << std::endl;
}

cairo_surface_t* CacheImages::image(const std::string& chemin, const std::string& dossierDessin) {
    return image(cheminImage(chemin, dossierDessin));
}

cairo_surface_t* CacheImages::image(const std::string& chemin) {
    struct stat st;
    if (chemin.empty() || stat(chemin.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        // Nothing to decode; forget an older copy so that memory is given back.
        oublier(chemin);
        return nullptr;
    }
    auto it = entrees_.find(chemin);
    if (it != entrees_.end()) {
        Entree& e = it->second;
        e.usage = ++horloge_;
        if (e.mtime.tv_sec == st.st_mtim.tv_sec && e.mtime.tv_nsec == st.st_mtim.tv_nsec &&
            e.taille == st.st_size && e.inode == st.st_ino)
            return e.surface;
        // Changed: the copy is stale.
        oublier(chemin);
    }
    if (budgetEpuise_) {
        signalerBudget();
        return nullptr;
    }

    Decodage d;
    cairo_surface_t* surface = charger(chemin, d);
    depense_ += d.octetsLus;
    // A picture refused for its work was not gone through.
    if (d.refus != RefusImage::TropCouteux) travailDepense_ += d.travail;
    if (d.refus == RefusImage::Budget) {
        // Not remembered: a later repaint tries again.
        signalerBudget();
        return nullptr;
    }
    Entree& e = entrees_[chemin];
    e.usage = ++horloge_;
    e.mtime = st.st_mtim;
    e.taille = st.st_size;
    e.inode = st.st_ino;
    e.surface = surface;
    if (surface) {
        e.octets = static_cast<std::size_t>(cairo_image_surface_get_stride(surface)) *
                   static_cast<std::size_t>(cairo_image_surface_get_height(surface));
        octets_ += e.octets;
        depense_ += e.octets;
        respecterBudget(chemin);
    }
    return surface;
}

void CacheImages::respecterBudget(const std::string& garder) {
    while (octets_ > budget_) {
        auto plusVieille = entrees_.end();
        for (auto it = entrees_.begin(); it != entrees_.end(); ++it) {
            if (it->first == garder || !it->second.surface) continue;
            if (plusVieille == entrees_.end() || it->second.usage < plusVieille->second.usage)
                plusVieille = it;
        }
        if (plusVieille == entrees_.end()) return;
        liberer(plusVieille->second);
        entrees_.erase(plusVieille);
    }
}

cairo_surface_t* CacheImages::charger(const std::string& chemin, Decodage& d) {
    ++decodages_;
    BornesDecodage bornes;
    bornes.octets = budgetRepeinte_ > depense_ ? budgetRepeinte_ - depense_ : 0;
    bornes.travail = travailRepeinte_ > travailDepense_ ? travailRepeinte_ - travailDepense_ : 0;
    bornes.echeance = std::chrono::steady_clock::now() + std::chrono::seconds(secondesDecodage_);
    GdkPixbuf* pixbuf = decoderImage(chemin, d, kPixelsMax, kCoteMax, bornes);
    // Too much work for what is left of this repaint, not for a whole one:
    // it waits for the next.
    if (d.refus == RefusImage::TropCouteux && d.travail <= travailRepeinte_)
        d.refus = RefusImage::Budget;
    switch (d.refus) {
        case RefusImage::TropGrande:
            erreurs_ << "Image trop grande, non chargee : " << chemin << " (" << d.largeur << " x "
                     << d.hauteur << " pixels ; au plus " << kPixelsMax << " pixels et " << kCoteMax
                     << " de cote)" << std::endl;
            break;
        case RefusImage::Format:
            erreurs_ << "Image non chargee : " << chemin
                     << " n'est pas une image PNG, JPEG, TIFF, BMP ou GIF." << std::endl;
            break;
        case RefusImage::TropVolumineux:
            erreurs_ << "Image non chargee : " << chemin << " depasse " << (kTailleFichierMax >> 20)
                     << " Mo." << std::endl;
            break;
        case RefusImage::TropCouteux:
            erreurs_ << "Image trop couteuse a decoder, non chargee : " << chemin << " (au moins "
                     << d.passes << " passes de " << d.largeur << " x " << d.hauteur
                     << " pixels ; au plus " << travailRepeinte_ << " pixels decodes par repeinte)"
                     << std::endl;
            break;
        case RefusImage::Temps:
            erreurs_ << "Image trop longue a decoder, non chargee : " << chemin << " (plus de "
                     << secondesDecodage_ << " s)" << std::endl;
            break;
        default:
            break;
    }
    if (!pixbuf) return nullptr;
    const int l = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
    const int canaux = gdk_pixbuf_get_n_channels(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    if (l <= 0 || h <= 0 || l > kCoteMax || h > kCoteMax || std::int64_t{l} * h > kPixelsMax ||
        gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || canaux < (alpha ? 4 : 3)) {
        g_object_unref(pixbuf);
        return nullptr;
    }
    cairo_surface_t* surface =
        cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, l, h);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        g_object_unref(pixbuf);
        return nullptr;
    }
    cairo_surface_flush(surface);
    const guchar* src = gdk_pixbuf_read_pixels(pixbuf);
    const int pasSrc = gdk_pixbuf_get_rowstride(pixbuf);
    unsigned char* dst = cairo_image_surface_get_data(surface);
    const int pasDst = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y) {
        const guchar* s = src + static_cast<std::ptrdiff_t>(y) * pasSrc;
        auto* o = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) * pasDst);
        for (int x = 0; x < l; ++x, s += canaux) {
            std::uint32_t r = s[0], g = s[1], b = s[2], a = alpha ? s[3] : 255;
            if (a != 255) {
                // Cairo wants premultiplied alpha.
                r = (r * a + 127) / 255;
                g = (g * a + 127) / 255;
                b = (b * a + 127) / 255;
            }
            o[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface);
    g_object_unref(pixbuf);
    return surface;
}
