// Raster images decoded once per file and per change of the file.
//
// Pictures are read with gdk-pixbuf's C API (no toolkit needed) and kept as
// cairo image surfaces, keyed by path. Each lookup compares the file's
// modification time, size and inode with those of the decoded copy, so a
// changed file is decoded again and an unchanged one never is. Files that
// cannot be loaded are remembered too (until they change), so a missing or
// broken picture costs one stat() per repaint, not one decoding attempt.
#pragma once

#include <cairo.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <string>
#include <unordered_map>

class CacheImages {
  public:
    // Pictures larger than this, or wider or higher than kCoteMax, are refused
    // before decoding (a 20000 x 20000 picture would need 1.6 GB).
    static constexpr std::int64_t kPixelsMax = 50'000'000;
    static constexpr int kCoteMax = 32767;  // the largest cairo image surface

    // `budget`: bytes of decoded pictures kept; beyond it the least recently
    // used ones are dropped. Refusals are written to `erreurs`.
    explicit CacheImages(std::size_t budget = std::size_t{512} << 20,
                         std::ostream& erreurs = std::cerr);
    ~CacheImages();
    CacheImages(const CacheImages&) = delete;
    CacheImages& operator=(const CacheImages&) = delete;

    // The picture of the file at `chemin`, or null when it cannot be loaded
    // (missing, unreadable, unknown format, too large). The surface stays
    // owned by the cache; it is valid until the next call or vider().
    cairo_surface_t* image(const std::string& chemin);

    // Drops every picture.
    void vider();

    std::size_t nombre() const { return entrees_.size(); }
    // How many times a file was decoded (or a decoding was attempted).
    std::size_t decodages() const { return decodages_; }
    std::size_t octets() const { return octets_; }

  private:
    struct Entree {
        cairo_surface_t* surface = nullptr;  // null: the file could not be loaded
        struct timespec mtime {};
        off_t taille = 0;
        ino_t inode = 0;
        std::size_t octets = 0;
        std::uint64_t usage = 0;
    };

    cairo_surface_t* charger(const std::string& chemin);
    void liberer(Entree& e);
    void respecterBudget(const std::string& garder);

    std::unordered_map<std::string, Entree> entrees_;
    std::size_t budget_;
    std::ostream& erreurs_;
    std::size_t octets_ = 0;
    std::size_t decodages_ = 0;
    std::uint64_t horloge_ = 0;
};
