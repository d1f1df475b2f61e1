// Raster images decoded once per file and per change of the file.
//
// Pictures are read with gdk-pixbuf's C API (no toolkit needed) and kept as
// cairo image surfaces, keyed by path. Each lookup compares the file's
// modification time, size and inode with those of the decoded copy, so a
// changed file is decoded again and an unchanged one never is. Files that
// cannot be loaded are remembered too (until they change), so a missing or
// broken picture costs one stat() per repaint, not one decoding attempt.
//
// The files are named by drawings that may come from anywhere. Only regular
// files are read, opened without blocking, and only the raster formats PNG,
// JPEG, TIFF, BMP and GIF, told by their first bytes: gdk-pixbuf's other
// loaders (SVG among them, which may take minutes and gigabytes for a few
// hundred bytes) are never used. The size of a picture is checked as soon as
// its header is read, before its pixels are decoded, and every repaint has a
// decoding budget, of bytes and of work.
//
// The work of a picture is the pixels its decoder goes through: its pixels
// once, or, for a progressive JPEG, once per scan (the loader shows such a
// picture scan by scan, a whole pass each time: a file of a few kilobytes
// may hold thousands of scans). The scans are counted as the file is read,
// before the loader is given them. Each decoding also has a deadline,
// checked between the pieces the loader is fed, whatever the format.
#pragma once

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <string>
#include <unordered_map>

// Why a picture was not decoded.
enum class RefusImage {
    Aucun,
    Illisible,       // missing, not a regular file, unreadable
    Format,          // not PNG, JPEG, TIFF, BMP or GIF
    TropVolumineux,  // a file larger than kTailleFichierMax
    TropGrande,      // more pixels, or longer sides, than allowed
    Budget,          // it would go past the budget it was given
    TropCouteux,     // more work than allowed (a JPEG of too many scans)
    Temps,           // not decoded by its deadline
    Decodage,        // the decoder failed (a damaged file)
};

// What one decoding came to.
struct Decodage {
    RefusImage refus = RefusImage::Aucun;
    int largeur = 0, hauteur = 0;  // as the header announces them (0: not read)
    std::uint64_t octetsLus = 0;   // bytes read from the file
    int passes = 0;                // passes over the pixels (scans of a progressive JPEG)
    std::uint64_t travail = 0;     // pixels times passes, as far as the file was read
};

// The work one decoding may do at most: twenty passes over the largest
// picture (ten seconds or so), and the time it may take.
constexpr std::uint64_t kTravailDecodageMax = 1'000'000'000;
constexpr int kSecondesDecodageMax = 10;

// The limits of one decoding besides the size of the picture.
struct BornesDecodage {
    // Bytes read plus decoded pixels, four bytes each.
    std::uint64_t octets = UINT64_MAX;
    // Pixels times passes.
    std::uint64_t travail = kTravailDecodageMax;
    std::chrono::steady_clock::time_point echeance =
        std::chrono::steady_clock::now() + std::chrono::seconds(kSecondesDecodageMax);
};

// Decodes the picture of the regular file at `chemin`. Its header is read
// first: a picture wider or higher than `coteMax`, or of more than
// `pixelsMax` pixels, is refused before its pixels are decoded, as is one
// whose bytes or work would pass `bornes` (each piece of the file is looked
// at before the loader is given it), or that is not decoded by the
// deadline. Returns a new pixbuf (the caller unrefs it), or null with the
// reason in `d`.
GdkPixbuf* decoderImage(const std::string& chemin, Decodage& d, std::int64_t pixelsMax, int coteMax,
                        const BornesDecodage& bornes = {});

// The file that an image definition names, for a drawing in `dossierDessin`
// (the folder of the drawing's file, with or without its final '/'): the
// path as written (absolute, or
// relative to the working folder), then, when relative, against the
// drawing's folder; and, for a path written on Windows, the same with its
// '\' turned into '/'; last, the file's name alone in the drawing's folder.
// The first of these that is a regular file, or the path as written when
// none is.
std::string cheminImage(const std::string& fichier, const std::string& dossierDessin);

class CacheImages {
  public:
    // Pictures larger than this, or wider or higher than kCoteMax, are refused
    // before decoding (a 20000 x 20000 picture would need 1.6 GB).
    static constexpr std::int64_t kPixelsMax = 50'000'000;
    static constexpr int kCoteMax = 32767;  // the largest cairo image surface
    // Files larger than this are not read: an uncompressed picture of
    // kPixelsMax pixels takes 200 MB.
    static constexpr std::size_t kTailleFichierMax = std::size_t{256} << 20;
    // Bytes that one repaint may spend on new pictures (bytes read plus
    // decoded pixels, four bytes each): two pictures of the largest size.
    static constexpr std::uint64_t kBudgetRepeinte = std::uint64_t{512} << 20;
    // Pixels that one repaint may go through decoding new pictures. A
    // picture that needs more is never decoded.
    static constexpr std::uint64_t kTravailRepeinte = kTravailDecodageMax;

    // `budget`: bytes of decoded pictures kept; beyond it the least recently
    // used ones are dropped. Refusals are written to `erreurs`.
    explicit CacheImages(std::size_t budget = std::size_t{512} << 20,
                         std::ostream& erreurs = std::cerr);
    ~CacheImages();
    CacheImages(const CacheImages&) = delete;
    CacheImages& operator=(const CacheImages&) = delete;

    // The picture of the file at `chemin`, or null when it cannot be loaded
    // (missing, unreadable, unknown format, too large) or waits for a later
    // repaint (the budget of this one is spent). The surface stays owned by
    // the cache; it is valid until the next call or vider().
    cairo_surface_t* image(const std::string& chemin);
    // The same for a file named in a drawing of the folder `dossierDessin`
    // (cheminImage).
    cairo_surface_t* image(const std::string& chemin, const std::string& dossierDessin);

    // Starts the decoding budget of a new repaint. Past the budget, the
    // pictures not yet decoded are passed over until the next repaint, and
    // one message per repaint says so.
    void nouvelleRepeinte();
    void setBudgetRepeinte(std::uint64_t octets) { budgetRepeinte_ = octets; }
    void setTravailRepeinte(std::uint64_t pixels) { travailRepeinte_ = pixels; }
    void setSecondesDecodage(int secondes) { secondesDecodage_ = secondes; }

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

    cairo_surface_t* charger(const std::string& chemin, Decodage& d);
    void liberer(Entree& e);
    void oublier(const std::string& chemin);
    void respecterBudget(const std::string& garder);
    void signalerBudget();

    std::unordered_map<std::string, Entree> entrees_;
    std::size_t budget_;
    std::ostream& erreurs_;
    std::size_t octets_ = 0;
    std::size_t decodages_ = 0;
    std::uint64_t horloge_ = 0;
    std::uint64_t budgetRepeinte_ = kBudgetRepeinte;
    std::uint64_t travailRepeinte_ = kTravailRepeinte;
    int secondesDecodage_ = kSecondesDecodageMax;
    std::uint64_t depense_ = 0;         // bytes, by this repaint
    std::uint64_t travailDepense_ = 0;  // pixels, by this repaint
    bool budgetEpuise_ = false;
    bool budgetSignale_ = false;
};
