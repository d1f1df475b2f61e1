#include "import/garde.h"

#include "import/paires.h"

#include <dxflib/dl_dxf.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "fichiers/ouverture.h"

namespace {

using Cause = ResultatLecture::Cause;

// dxflib's group codes: 0 and 9 start a record, 999 is a comment, and only
// codes below this limit reach the entities' own handling.
constexpr int kCodeMaxDxflib = 1100;

// A value without surrounding blanks: a structural value (a record type, a
// section name) as it is meant, which dxflib compares without trimming.
std::string_view motNu(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    return v;
}

// The records whose counts dxflib believes: each count code announces how
// many pairs of its element code follow in the same record.
enum class Genre { Autre, LWPolyline, Spline, Leader, Hatch };

// The records that the import handler turns into objects, when they lie in
// the ENTITIES or BLOCKS section.
bool estEntite(std::string_view v) {
    for (const char* nom :
         {"POINT", "LINE", "ARC", "CIRCLE", "LWPOLYLINE", "POLYLINE", "INSERT", "TEXT", "IMAGE"})
        if (v == nom) return true;
    return false;
}

// The group codes whose values dxflib reads as reals.
bool estReel(int code) {
    return (code >= 10 && code <= 59) || (code >= 110 && code <= 149) ||
           (code >= 210 && code <= 239) || (code >= 460 && code <= 469) ||
           (code >= 1010 && code <= 1059);
}

// Whether a value holds nothing but blanks, as a C++ stream skips them.
inline bool blanche(std::string_view v) {
    // Most values start with a character above the blanks: one comparison.
    if (!v.empty() && static_cast<unsigned char>(v.front()) > ' ') return false;
    for (char c : v)
        if (c != ' ' && (c < '\t' || c > '\r')) return false;
    return true;
}

Genre genreDe(std::string_view v) {
    if (v == "LWPOLYLINE") return Genre::LWPolyline;
    if (v == "SPLINE") return Genre::Spline;
    if (v == "LEADER") return Genre::Leader;
    if (v == "HATCH") return Genre::Hatch;
    return Genre::Autre;
}

// Element codes counted, as indexes into the counters of a record.
enum Element { E10, E11, E40, E92, kNombreElements, EAucun = -1 };

Element elementDe(int code) {
    switch (code) {
        case 10:
            return E10;
        case 11:
            return E11;
        case 40:
            return E40;
        case 92:
            return E92;
        default:
            return EAucun;
    }
}

// The element that a count code of this record announces, or EAucun.
// LWPOLYLINE 90: vertices (10). SPLINE 72: knots (40), 73: control points
// (10), 74: fit points (11). LEADER 76: vertices (10). HATCH 91: boundary
// paths (92), and in spline edges 95: knots (40), 96: control points (10),
// 97: fit points (11).
Element compteDe(Genre g, int code) {
    switch (g) {
        case Genre::LWPolyline:
            return code == 90 ? E10 : EAucun;
        case Genre::Spline:
            return code == 72 ? E40 : code == 73 ? E10 : code == 74 ? E11 : EAucun;
        case Genre::Leader:
            return code == 76 ? E10 : EAucun;
        case Genre::Hatch:
            return code == 91   ? E92
                   : code == 95 ? E40
                   : code == 96 ? E10
                   : code == 97 ? E11
                                : EAucun;
        case Genre::Autre:
            break;
    }
    return EAucun;
}

// A count field met in the current record, checked when the record ends.
struct Compte {
    std::size_t debut, longueur;  // its value line, as it is replaced
    std::size_t finLigne;         // the end of that line, without its line feed
    int annonce;
    Element element;
    std::size_t depart;  // elements of that kind already seen in the record
    std::string coupee;  // the value cut to what dxflib reads, for a line too long
    bool longue;
};

}  // namespace

Controle::Controle(std::string_view source, const std::atomic<bool>* annulation)
    : source_(source), annulation_(annulation) {
    analyser();
}

std::string_view Controle::texte() const {
    return estCorrige_ ? std::string_view(corrige_) : source_.substr(0, longueur_);
}

// The state of one pass of the guard over a text.
struct Controle::Etat {
    const char* base;
    std::vector<Modification> modifications;
    std::vector<Compte> comptes;
    std::size_t elements[kNombreElements] = {};
    Genre genre = Genre::Autre;
    bool section = false;
    // The last value line ends the text, and is left empty: fgets would
    // read nothing there.
    bool finVide = false;
    std::string_view sectionCourante;
    bool nomDeSection = false;  // the pair after "0 SECTION" names the section
};

// A value line as the guard judges it.
struct Controle::Valeur {
    const char* debut;
    const char* finLue;        // where dxflib's reading of it ends (cut when too long)
    const char* finRemplacee;  // what a new value replaces
    const char* finLigne;      // the end of the line, without its line feed
    bool longue;
    std::string_view mot;  // as dxflib keeps it
    bool remplacee = false;
};

void Controle::analyser() {
    if (source_.empty()) {
        refus_ = ResultatLecture::Vide;
        return;
    }
    static constexpr std::string_view kBinaire = "AutoCAD Binary DXF";
    if (source_.substr(0, kBinaire.size()) == kBinaire) {
        refus_ = ResultatLecture::DXFBinaire;
        return;
    }
    Etat e;
    e.base = source_.data();
    CurseurPaires curseur(source_);
    PaireBrute b;
    std::size_t paires = 0;
    const char* fin = e.base + source_.size();
    while (curseur.suivante(b)) {
        if (annulation_ && ++paires % kPairesEntreAnnulations == 0 && *annulation_) {
            refus_ = ResultatLecture::Annulee;
            return;
        }
        // A code line too long is no DXF pair: the file is refused.
        if (static_cast<std::size_t>(b.finCode - b.code) > kLigneMaxDXF && ligneTropLongue_ == 0)
            ligneTropLongue_ = b.ligne;
        if (!b.entiere) {
            // A code with no value line is never read: dxflib's text ends
            // before it.
            fin = b.code;
            break;
        }
        // Most code lines need nothing: only these may read otherwise with fgets.
        const auto longueurCode = static_cast<std::size_t>(b.finCode - b.code);
        if (longueurCode == kLigneMaxDXF || (longueurCode > 0 && *b.code == '\0')) ecrireCode(e, b);
        if (examiner(e, b)) {
            fin = curseur.position();
            break;
        }
    }
    finirEnregistrement(e);
    longueur_ = static_cast<std::size_t>(fin - e.base);
    if (e.finVide && !complet_) e.modifications.push_back({longueur_, 0, "\n"});

    if (!e.section)
        refus_ = ResultatLecture::PasDXF;
    else if (ligneTropLongue_ != 0)
        refus_ = ResultatLecture::LigneTropLongue;
    if (refus_ == ResultatLecture::Aucune && !e.modifications.empty()) appliquer(e.modifications);
}

bool Controle::examiner(Etat& e, const PaireBrute& b) {
    // A value line too long for dxflib is cut to what it reads whole, at a
    // character boundary; the pairs after it keep their places. The value is
    // judged as it is cut.
    Valeur v{b.valeur,
             b.finValeur,
             b.finValeur,
             b.finValeur,
             static_cast<std::size_t>(b.finValeur - b.valeur) > kLigneMaxDXF,
             {}};
    if (v.longue) {
        if (ligneCoupee_ == 0) ligneCoupee_ = b.ligne + 1;
        v.finLue =
            v.debut +
            coupureUtf8(std::string_view(v.debut, static_cast<std::size_t>(b.finValeur - v.debut)),
                        kLigneMaxDXF);
    } else {
        // The new value line: a cut line loses its carriage return with the
        // rest, a shorter one keeps it.
        while (v.finRemplacee > v.debut && v.finRemplacee[-1] == '\r') --v.finRemplacee;
    }
    v.mot = valeurDxflib(v.debut, v.finLue);
    const int code = b.getCode();
    bool eof = false;
    if (code == 999)
        commentaire(e, v);
    else if (code == 0 || code == 9 || (code == 2 && e.nomDeSection))
        eof = structure(e, code, v);
    else if (e.genre != Genre::Autre && code < kCodeMaxDxflib)
        champ(e, code, v);
    // dxflib reads a real through a stream, which leaves the number as it
    // was when the value holds only blanks: whatever lay in memory. Such a
    // value is written 0, what an empty number reads as everywhere else.
    if (blanche(v.mot) && estReel(code) && !v.remplacee) remplacer(e, v, "0");
    if (v.longue && !v.remplacee) {
        remplacer(e, v, std::string(v.debut, v.finLue));
    } else if (!v.remplacee && (v.finLigne - v.debut == kLigneMaxDXF ||
                                (v.debut < v.finLigne && *v.debut == '\0') ||
                                v.finLigne == e.base + source_.size())) {
        // Most lines need nothing: only these may read otherwise with fgets.
        ecrireLigne(e, v.debut, v.finRemplacee, v.finLigne, nullptr);
    }
    e.nomDeSection = code == 0 && motNu(v.mot) == "SECTION";
    return eof;
}

void Controle::remplacer(Etat& e, Valeur& v, const std::string& valeur) {
    ecrireLigne(e, v.debut, v.finRemplacee, v.finLigne, &valeur);
    v.remplacee = true;
}

// dxflib's reader of a FILE takes a line with fgets into 1024 bytes: a line
// of 1023 bytes leaves its line feed to the next read, and a line that
// starts with a NUL, or none at all at the end of the text, leaves the
// previous value in place. The text for dxflib is written so that fgets
// reads every pair as a stream reader reads it.
void Controle::ecrireCode(Etat& e, const PaireBrute& b) {
    e.modifications.push_back({static_cast<std::size_t>(b.code - e.base),
                               static_cast<std::size_t>(b.finCode - b.code),
                               std::to_string(b.getCode())});
}

void Controle::ecrireLigne(Etat& e, const char* debut, const char* finRemplacee,
                           const char* finLigne, const std::string* valeur) {
    // What stays after a new value: the carriage returns of the line.
    const std::string_view reste(finRemplacee, static_cast<std::size_t>(finLigne - finRemplacee));
    const std::string_view contenu =
        valeur ? std::string_view(*valeur)
               : std::string_view(debut, static_cast<std::size_t>(finRemplacee - debut));
    const std::size_t longueur = contenu.size() + reste.size();
    const std::size_t d = static_cast<std::size_t>(debut - e.base);
    const bool derniere = finLigne == e.base + source_.size();
    if (longueur > 0 && (contenu.empty() ? reste.front() : contenu.front()) == '\0') {
        // What dxflib keeps of it: nothing.
        e.modifications.push_back({d, static_cast<std::size_t>(finLigne - debut), {}});
        if (derniere) e.finVide = true;
        return;
    }
    if (derniere) e.finVide = longueur == 0;
    if (longueur == kLigneMaxDXF && !derniere)
        e.modifications.push_back({d, static_cast<std::size_t>(finLigne + 1 - debut),
                                   std::string(contenu) + std::string(reste)});
    else if (valeur)
        e.modifications.push_back({d, static_cast<std::size_t>(finRemplacee - debut), *valeur});
}

void Controle::commentaire(Etat& e, Valeur& v) {
    // dxflib reads a version after "dxflib " (substr(7): it throws on the
    // bare word) from the positions of its first three points: with two, it
    // reads the third from an uninitialised position; with fewer, it writes
    // to the standard error and takes version 0. Such versions are written
    // whole, with the value dxflib means by them.
    if (v.mot.substr(0, 6) != "dxflib") return;
    const std::string_view version = v.mot.substr(std::min<std::size_t>(7, v.mot.size()));
    const auto points = std::count(version.begin(), version.end(), '.');
    if (points == 2)
        remplacer(e, v, std::string(v.mot) + ".0");
    else if (points < 2)
        remplacer(e, v, "dxflib 0.0.0.0");
}

bool Controle::structure(Etat& e, int code, Valeur& v) {
    // Record types and section names are compared as they stand by dxflib:
    // "LINE " would be no line at all. They are handed to it without their
    // blanks.
    const std::string_view mot = code == 9 ? v.mot : motNu(v.mot);
    if (mot.size() != v.mot.size()) remplacer(e, v, std::string(mot));
    if (code == 2) {
        e.sectionCourante = mot;
        return false;
    }
    finirEnregistrement(e);
    e.genre = genreDe(mot);
    if (code != 0) return false;
    if (mot == "SECTION") e.section = true;
    if (mot == "SECTION" || mot == "ENDSEC") e.sectionCourante = {};
    if ((e.sectionCourante == "ENTITIES" || e.sectionCourante == "BLOCKS") && estEntite(mot))
        ++entites_;
    if (mot != "EOF") return false;
    complet_ = true;
    return true;
}

void Controle::champ(Etat& e, int code, Valeur& v) {
    const Element annonce = compteDe(e.genre, code);
    if (annonce == EAucun) {
        const Element el = elementDe(code);
        if (el != EAucun) ++e.elements[el];
        return;
    }
    e.comptes.push_back({static_cast<std::size_t>(v.debut - e.base),
                         static_cast<std::size_t>(v.finRemplacee - v.debut),
                         static_cast<std::size_t>(v.finLigne - e.base),
                         entierDxflib(v.debut, v.finLue), annonce, e.elements[annonce],
                         v.longue ? std::string(v.debut, v.finLue) : std::string(), v.longue});
    // Its cut, if any, is made with its correction, if any.
    v.remplacee = true;
}

// Ends the current record: every count is brought into [0, elements that
// follow it]. dxflib skips negative counts and keeps the smaller of the
// count and the elements for LWPOLYLINE, so the drawing stays the same.
void Controle::finirEnregistrement(Etat& e) {
    for (Compte& c : e.comptes) {
        const std::size_t presents = e.elements[c.element] - c.depart;
        const char* debut = e.base + c.debut;
        if (c.annonce >= 0 && static_cast<std::size_t>(c.annonce) <= presents) {
            ecrireLigne(e, debut, debut + c.longueur, e.base + c.finLigne,
                        c.longue ? &c.coupee : nullptr);
            continue;
        }
        const std::string juste = std::to_string(c.annonce < 0 ? 0 : presents);
        ecrireLigne(e, debut, debut + c.longueur, e.base + c.finLigne, &juste);
        ++comptesCorriges_;
    }
    e.comptes.clear();
    std::fill(std::begin(e.elements), std::end(e.elements), 0);
}

void Controle::appliquer(const std::vector<Modification>& modifications) {
    std::vector<const Modification*> ordre;
    ordre.reserve(modifications.size());
    for (const auto& m : modifications) ordre.push_back(&m);
    std::stable_sort(ordre.begin(), ordre.end(), [](const Modification* a, const Modification* b) {
        return a->debut < b->debut;
    });
    corrige_.reserve(longueur_ + 16 * modifications.size());
    std::size_t position = 0;
    for (const Modification* m : ordre) {
        corrige_.append(source_.data() + position, m->debut - position);
        corrige_ += m->valeur;
        position = m->debut + m->longueur;
    }
    corrige_.append(source_.data() + position, longueur_ - position);
    estCorrige_ = true;
}

namespace {

Cause causeNonOrdinaire(mode_t mode) {
    return S_ISDIR(mode) ? ResultatLecture::Dossier : ResultatLecture::FichierSpecial;
}

}  // namespace

TexteFichier::~TexteFichier() {
    if (donnees_) ::munmap(donnees_, capacite_);
}

bool TexteFichier::reserver(std::size_t capacite) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    capacite = (capacite + page - 1) / page * page;
    if (capacite <= capacite_) return true;
    void* d = donnees_ ? ::mremap(donnees_, capacite_, capacite, MREMAP_MAYMOVE)
                       : ::mmap(nullptr, capacite, PROT_READ | PROT_WRITE,
                                MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (d == MAP_FAILED) return false;
    donnees_ = static_cast<char*>(d);
    capacite_ = capacite;
    return true;
}

void TexteFichier::oublierAvant(std::size_t position) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t fin = std::min(position, capacite_) / page * page;
    if (fin <= oublies_) return;
    ::madvise(donnees_ + oublies_, fin - oublies_, MADV_DONTNEED);
    oublies_ = fin;
}

ResultatLecture::Cause chargerFichier(const std::string& chemin, TexteFichier& contenu,
                                      const std::atomic<bool>* annulation) {
    // A pipe or a device is never read: nothing blocks.
    Acces acces;
    struct stat st;
    const Descripteur fd = ouvrirOrdinaire(chemin, acces, &st);
    switch (acces) {
        case Acces::Ouvert:
            break;
        case Acces::PasOrdinaire:
            return causeNonOrdinaire(st.st_mode);
        case Acces::Impossible:
            return ResultatLecture::Ouverture;
        default:
            return ResultatLecture::ErreurLecture;
    }
    if (static_cast<std::size_t>(st.st_size) > kTailleMaxDXF)
        return ResultatLecture::TropVolumineux;

    // The size is a hint: the file may change while it is read, and some
    // regular files (under /proc) announce 0 and hold more. One byte more
    // than announced lets the end be met without growing.
    std::size_t lu = 0;
    if (!contenu.reserver(static_cast<std::size_t>(st.st_size) + 1))
        return ResultatLecture::Memoire;
    for (;;) {
        if (lu == contenu.capacite_) {
            if (lu > kTailleMaxDXF) return ResultatLecture::TropVolumineux;
            if (!contenu.reserver(std::min(2 * lu, kTailleMaxDXF + 1)))
                return ResultatLecture::Memoire;
        }
        // In pieces, so that an annulation is heard between them.
        if (annulation && *annulation) return ResultatLecture::Annulee;
        const long n = lireMorceau(fd.get(), contenu.donnees_ + lu,
                                   std::min(contenu.capacite_ - lu, kMorceauChargement));
        if (n < 0) return ResultatLecture::ErreurLecture;
        if (n == 0) break;
        lu += static_cast<std::size_t>(n);
    }
    if (lu > kTailleMaxDXF) return ResultatLecture::TropVolumineux;
    contenu.taille_ = lu;
    return ResultatLecture::Aucune;
}

ResultatLecture::Cause chargerFlux(std::istream& flux, std::string& contenu) {
    contenu.clear();
    try {
        char bloc[65536];
        while (flux.good()) {
            flux.read(bloc, sizeof bloc);
            const auto n = static_cast<std::size_t>(flux.gcount());
            if (contenu.size() + n > kTailleMaxDXF) {
                contenu.clear();
                return ResultatLecture::TropVolumineux;
            }
            contenu.append(bloc, n);
        }
        if (flux.bad()) return ResultatLecture::ErreurLecture;
    } catch (const std::bad_alloc&) {
        contenu.clear();
        return ResultatLecture::Memoire;
    } catch (...) {
        // A stream set to throw on failure.
        return ResultatLecture::ErreurLecture;
    }
    return ResultatLecture::Aucune;
}

GardeLocale::GardeLocale() : c_(newlocale(LC_ALL_MASK, "C", nullptr)) {
    if (c_) ancienne_ = uselocale(c_);
    if (cpp_ != std::locale::classic()) {
        if (const char* c = std::setlocale(LC_ALL, nullptr)) cGlobale_ = c;
        std::locale::global(std::locale::classic());
        cppChangee_ = true;
    }
}

GardeLocale::~GardeLocale() {
    if (cppChangee_) {
        std::locale::global(cpp_);
        if (!cGlobale_.empty()) std::setlocale(LC_ALL, cGlobale_.c_str());
    }
    if (!c_) return;
    uselocale(ancienne_);
    freelocale(c_);
}

namespace {

// The text handed to dxflib's reader of a FILE, through stdio's buffer:
// behind what stdio has taken, the pages of a file are given back; the
// reading's progress is what stdio has taken, and its flag ends the text.
struct SourceDxflib {
    std::string_view texte;
    std::size_t lu = 0;
    TexteFichier* fichier;
    std::size_t decalage;  // of the text in the file
    SuiviLecture* suivi;
    std::size_t oublie = 0;  // what has been given back
    static constexpr std::size_t kFenetre = std::size_t{1} << 20;

    static ssize_t lire(void* c, char* tampon, std::size_t taille) {
        auto& s = *static_cast<SourceDxflib*>(c);
        if (s.suivi) {
            s.suivi->lus = s.lu;
            if (s.suivi->annulation) return 0;
        }
        // The pages behind, a window at a time: a call per page would cost.
        if (s.fichier && s.lu - s.oublie >= kFenetre) {
            s.fichier->oublierAvant(s.decalage + s.lu);
            s.oublie = s.lu;
        }
        const std::size_t n = std::min(taille, s.texte.size() - s.lu);
        std::memcpy(tampon, s.texte.data() + s.lu, n);
        s.lu += n;
        return static_cast<ssize_t>(n);
    }
};

struct FermerFichier {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

namespace {

// dxflib frees an array before allocating its replacement, and keeps the
// freed pointer when that allocation fails: destroying the parser after a
// bad_alloc would free it a second time. Such a parser is abandoned here
// instead, reachable, so that leak checkers do not count it. Storing it
// allocates nothing: memory has just run out.
void abandonner(DL_Dxf* dxf) {
    static DL_Dxf* abandonnes[16];
    static std::size_t nombre = 0;
    if (nombre < std::size(abandonnes)) abandonnes[nombre++] = dxf;
}

// dxflib's parser leaves some members it reads to chance (its version
// number, which decides the unit of an MTEXT's angle; the first-loop flag of
// hatches): it is built in memory set to zero, so that they read 0.
struct DetruireParseur {
    void operator()(DL_Dxf* d) const {
        d->~DL_Dxf();
        ::operator delete(d);
    }
};
using Parseur = std::unique_ptr<DL_Dxf, DetruireParseur>;

Parseur nouveauParseur() {
    void* memoire = ::operator new(sizeof(DL_Dxf));
    std::memset(memoire, 0, sizeof(DL_Dxf));
    return Parseur(new (memoire) DL_Dxf);
}

}  // namespace

ResultatLecture::Cause lireAvecDxflib(std::string_view texte, DL_CreationInterface& ci,
                                      TexteFichier* fichier, SuiviLecture* suivi) {
    const std::string_view octets = fichier ? fichier->vue() : std::string_view();
    const std::less<const char*> avant;
    if (fichier && (avant(texte.data(), octets.data()) ||
                    avant(octets.data() + octets.size(), texte.data() + texte.size()))) {
        // dxflib reads a corrected copy: the file is no longer needed at all.
        fichier->oublierAvant(octets.size());
        fichier = nullptr;
    }
    GardeLocale locale;
    SourceDxflib source{texte, 0, fichier,
                        fichier ? static_cast<std::size_t>(texte.data() - octets.data()) : 0,
                        suivi};
    if (suivi) suivi->total = texte.size();
    // dxflib hands each pair to the creation interface only when it reads a
    // FILE; the text is read through one.
    const cookie_io_functions_t fonctions{&SourceDxflib::lire, nullptr, nullptr, nullptr};
    const std::unique_ptr<FILE, FermerFichier> f(fopencookie(&source, "r", fonctions));
    if (!f) return ResultatLecture::Memoire;
    __fsetlocking(f.get(), FSETLOCKING_BYCALLER);
    std::setvbuf(f.get(), nullptr, _IOFBF, std::size_t{1} << 16);
    Parseur dxf;
    try {
        dxf = nouveauParseur();
        // Reading an empty stream sets dxflib up for a new text, and reads
        // nothing.
        std::istringstream vide;
        dxf->in(vide, &ci);
        while (dxf->readDxfGroups(f.get(), &ci)) {
        }
    } catch (const std::bad_alloc&) {
        if (dxf) abandonner(dxf.release());
        return ResultatLecture::Memoire;
    } catch (...) {
        return ResultatLecture::ErreurInterne;
    }
    if (suivi) suivi->lus = source.lu;
    return ResultatLecture::Aucune;
}
