#include "render/images.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>

#include <cstring>

CacheImages::CacheImages(std::size_t budget, std::ostream& erreurs)
    : budget_(budget), erreurs_(erreurs) {}

CacheImages::~CacheImages() { vider(); }

void CacheImages::liberer(Entree& e) {
    if (e.surface) cairo_surface_destroy(e.surface);
    e.surface = nullptr;
    octets_ -= e.octets;
    e.octets = 0;
}

void CacheImages::vider() {
    for (auto& [chemin, e] : entrees_) liberer(e);
    entrees_.clear();
}

cairo_surface_t* CacheImages::image(const std::string& chemin) {
    struct stat st;
    if (chemin.empty() || stat(chemin.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        // Nothing to decode; forget an older copy so that memory is given back.
        auto it = entrees_.find(chemin);
        if (it != entrees_.end()) {
            liberer(it->second);
            entrees_.erase(it);
        }
        return nullptr;
    }
    auto [it, nouveau] = entrees_.try_emplace(chemin);
    Entree& e = it->second;
    const bool change = nouveau || e.mtime.tv_sec != st.st_mtim.tv_sec ||
                        e.mtime.tv_nsec != st.st_mtim.tv_nsec || e.taille != st.st_size ||
                        e.inode != st.st_ino;
    e.usage = ++horloge_;
    if (!change) return e.surface;

    liberer(e);
    e.mtime = st.st_mtim;
    e.taille = st.st_size;
    e.inode = st.st_ino;
    e.surface = charger(chemin);
    if (e.surface) {
        e.octets = static_cast<std::size_t>(cairo_image_surface_get_stride(e.surface)) *
                   static_cast<std::size_t>(cairo_image_surface_get_height(e.surface));
        octets_ += e.octets;
        respecterBudget(chemin);
    }
    return e.surface;
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

cairo_surface_t* CacheImages::charger(const std::string& chemin) {
    ++decodages_;
    int largeur = 0, hauteur = 0;
    if (!gdk_pixbuf_get_file_info(chemin.c_str(), &largeur, &hauteur)) return nullptr;
    if (largeur <= 0 || hauteur <= 0 || largeur > kCoteMax || hauteur > kCoteMax ||
        std::int64_t{largeur} * hauteur > kPixelsMax) {
        erreurs_ << "Image trop grande, non chargee : " << chemin << " (" << largeur << " x "
                 << hauteur << " pixels ; au plus " << kPixelsMax << " pixels et " << kCoteMax
                 << " de cote)" << std::endl;
        return nullptr;
    }
    GError* erreur = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(chemin.c_str(), &erreur);
    if (!pixbuf) {
        if (erreur) g_error_free(erreur);
        return nullptr;
    }
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
        auto* d = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) * pasDst);
        for (int x = 0; x < l; ++x, s += canaux) {
            std::uint32_t r = s[0], g = s[1], b = s[2], a = alpha ? s[3] : 255;
            if (a != 255) {
                // Cairo wants premultiplied alpha.
                r = (r * a + 127) / 255;
                g = (g * a + 127) / 255;
                b = (b * a + 127) / 255;
            }
            d[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface);
    g_object_unref(pixbuf);
    return surface;
}
