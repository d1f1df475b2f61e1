// The guard in front of dxflib.
//
// dxflib trusts its input. A count field (the vertices of an LWPOLYLINE, the
// knots of a SPLINE...) is used as an array size before the elements arrive,
// so a lying count makes it allocate gigabytes or write past its array; a
// line longer than its 1024-byte buffer is cut in two, which shifts every
// following code/value pair, and through a stream it never ends; record
// types are compared with their blanks, so "LINE " is no line; it returns
// "read" for an empty file, a text file or a file cut in the middle; it
// switches the process locale and leaves it switched when an exception goes
// through it; a real whose value is empty or blank is left uninitialised.
// The guard loads the whole file, checks it in one pass, corrects what can be
// corrected without changing the drawing (counts, blanks around record types
// and section names, values too long, cut to what dxflib reads, blank reals
// written 0), refuses the rest, and hands dxflib a text in memory that it can
// read to its end.
#pragma once

#include <dxflib/dl_creationinterface.h>

#include <atomic>
#include <clocale>
#include <cstddef>
#include <istream>
#include <locale>
#include <string>
#include <string_view>
#include <vector>

#include "import/lecture.h"
#include "import/paires.h"

// How much of a file is read at a time, and how many pairs the guard checks
// between two looks at an annulation flag.
constexpr std::size_t kMorceauChargement = std::size_t{16} << 20;
constexpr std::size_t kPairesEntreAnnulations = 1 << 16;

// The longest line (without its line feed) that dxflib reads whole.
constexpr std::size_t kLigneMaxDXF = 1023;

// What the guard made of a DXF text.
class Controle {
  public:
    // Checks `source`, which must outlive this object; stops soon after
    // `annulation`, when given, is set (refus() is then Annulee).
    explicit Controle(std::string_view source, const std::atomic<bool>* annulation = nullptr);
    Controle(std::string&&) = delete;  // the text would be gone before it is read
    Controle(const Controle&) = delete;
    Controle& operator=(const Controle&) = delete;

    // Aucune when dxflib may read the text; otherwise why it must not
    // (Vide, DXFBinaire, PasDXF, LigneTropLongue, Annulee).
    ResultatLecture::Cause refus() const { return refus_; }
    // The first group code line too long for dxflib, counted from 1 (0 if
    // none): such a line makes no pair, and the file is refused.
    std::size_t ligneTropLongue() const { return ligneTropLongue_; }
    // The first value line too long for dxflib, counted from 1 (0 if none).
    // Such values are cut to kLigneMaxDXF bytes (fewer when that would split
    // a UTF-8 character) and the file is read.
    std::size_t ligneCoupee() const { return ligneCoupee_; }
    // How many records of the ENTITIES and BLOCKS sections the import handler
    // turns into objects (POINT, LINE, ARC, CIRCLE, LWPOLYLINE, POLYLINE,
    // INSERT, TEXT, IMAGE).
    std::size_t entites() const { return entites_; }
    // True when the text ends with its EOF marker.
    bool complet() const { return complet_; }
    // How many count fields were brought down to what follows them.
    std::size_t comptesCorriges() const { return comptesCorriges_; }
    // The text for dxflib: the source up to its EOF marker, with the
    // corrections made.
    std::string_view texte() const;

  private:
    struct Modification {
        std::size_t debut, longueur;
        std::string valeur;
    };
    struct Etat;
    struct Valeur;
    // The pass: a loop over the pairs, each examined by the checks of its
    // kind; true at the EOF marker.
    void analyser();
    bool examiner(Etat& e, const PaireBrute& paire);
    void commentaire(Etat& e, Valeur& v);
    bool structure(Etat& e, int code, Valeur& v);
    void champ(Etat& e, int code, Valeur& v);
    void finirEnregistrement(Etat& e);
    void remplacer(Etat& e, Valeur& v, const std::string& valeur);
    void ecrireCode(Etat& e, const PaireBrute& b);
    // The value line [debut, finLigne) becomes `valeur` followed by what lies
    // from `finRemplacee` (or stays, `valeur` null), as fgets reads it.
    void ecrireLigne(Etat& e, const char* debut, const char* finRemplacee, const char* finLigne,
                     const std::string* valeur);
    void appliquer(const std::vector<Modification>& modifications);

    std::string_view source_;
    std::size_t longueur_ = 0;  // of the source, up to the end of the EOF marker
    std::string corrige_;
    bool estCorrige_ = false;
    ResultatLecture::Cause refus_ = ResultatLecture::Aucune;
    const std::atomic<bool>* annulation_;
    std::size_t ligneTropLongue_ = 0;
    std::size_t ligneCoupee_ = 0;
    std::size_t entites_ = 0;
    bool complet_ = false;
    std::size_t comptesCorriges_ = 0;
};

// The bytes of a whole file, in pages of their own: the pages already read
// by dxflib are given back to the system while it reads the rest, so that
// the file and the model it becomes are not both whole in memory.
class TexteFichier {
  public:
    TexteFichier() = default;
    ~TexteFichier();
    TexteFichier(const TexteFichier&) = delete;
    TexteFichier& operator=(const TexteFichier&) = delete;

    // The bytes; those before the position given to oublierAvant read as 0.
    std::string_view vue() const { return std::string_view(donnees_, taille_); }
    // Gives back the whole pages that lie before `position`.
    void oublierAvant(std::size_t position);

  private:
    friend ResultatLecture::Cause chargerFichier(const std::string&, TexteFichier&,
                                                 const std::atomic<bool>*);
    // Makes room for `capacite` bytes, keeping the bytes held; false when
    // memory is lacking.
    bool reserver(std::size_t capacite);

    char* donnees_ = nullptr;
    std::size_t taille_ = 0;
    std::size_t capacite_ = 0;  // mapped bytes, whole pages
    std::size_t oublies_ = 0;   // bytes already given back, whole pages
};

// Loads the whole regular file at `chemin` into `contenu`. Returns Aucune,
// or Ouverture, Dossier, FichierSpecial, TropVolumineux, ErreurLecture,
// Memoire, or Annulee when `annulation` is set before it ends (it is heard
// between pieces of kMorceauChargement bytes). A pipe or a device is never
// opened for reading, so nothing blocks.
ResultatLecture::Cause chargerFichier(const std::string& chemin, TexteFichier& contenu,
                                      const std::atomic<bool>* annulation = nullptr);
// Loads what `flux` holds, up to kTailleMaxDXF bytes.
ResultatLecture::Cause chargerFlux(std::istream& flux, std::string& contenu);

// dxflib reads numbers through the C library and through C++ streams made
// with the global C++ locale. For its lifetime, the calling thread alone
// reads under the C locale (newlocale and uselocale: the process locale and
// the other threads, a painting thread among them, are left alone). The
// global C++ locale is the classic one in the programs (none of them sets
// another); a process that set one is single-threaded around its readings
// (tests): there, and only there, it is set to the classic one meanwhile and
// put back after.
class GardeLocale {
  public:
    GardeLocale();
    ~GardeLocale();
    GardeLocale(const GardeLocale&) = delete;
    GardeLocale& operator=(const GardeLocale&) = delete;

  private:
    locale_t c_;
    locale_t ancienne_ = nullptr;
    std::locale cpp_;
    bool cppChangee_ = false;
    // The process's C locale, which setting a named C++ locale sets too.
    std::string cGlobale_;
};

// Makes dxflib read `texte` (checked by a Controle) into `ci`, from memory,
// under the C locale, handing `ci` every pair (processCodeValuePair) before
// dxflib handles it. Returns Aucune, Memoire when memory ran out, or
// ErreurInterne for any other exception; no exception leaves it. When
// `texte` lies in `fichier`, its pages are given back as dxflib passes them.
// `suivi`, when given, is told the bytes passed; its flag ends the text for
// dxflib.
ResultatLecture::Cause lireAvecDxflib(std::string_view texte, DL_CreationInterface& ci,
                                      TexteFichier* fichier = nullptr,
                                      SuiviLecture* suivi = nullptr);
