// tarsin-render: paints a DXF drawing into a PNG, SVG or PDF file, without a
// display, with the same importer, painters and view transform as the viewer.

#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "demarrage/options.h"
#include "fichiers/fichier_provisoire.h"
#include "import/lecture.h"
#include "model/trace.h"
#include "render/cli/limites.h"
#include "render/exportation.h"
#include "render/peintre.h"
#include "render/presentation_peinte.h"

namespace {

constexpr int kCoteMax = 32767;  // the largest cairo image surface
constexpr long kPixelsMax = 200'000'000;

const char* const kUsage =
    "usage : tarsin-render DESSIN.dxf SORTIE.png|SORTIE.svg|SORTIE.pdf [--scale ECHELLE | "
    "--window X0 Y0 X1 Y1] [--size LARGEURxHAUTEUR|COTE] [--max-seconds S] [--max-memory MIO] "
    "[--quiet] [--no-images] [--accept-incomplete] [--layout NOM|N] [--fond noir|blanc]\n"
    "       tarsin-render DESSIN.dxf --list-layouts\n"
    "  Par défaut le dessin entier est ajusté à l'image, avec une petite marge.\n"
    "  --scale        pixels par unité du dessin (entre 1e-06 et 1e+06), l'origine du\n"
    "                 dessin au coin inférieur gauche de l'image\n"
    "  --window       peint ce rectangle du dessin (en unités du dessin), centré,\n"
    "                 proportions gardées\n"
    "  --size         taille de l'image en pixels (1000x1000 par défaut ; COTE : image carrée)\n"
    "  --max-seconds  abandonne le dessin après S secondes\n"
    "  --max-memory   abandonne le dessin s'il demande plus de MIO Mio de mémoire\n"
    "  --quiet        n'écrit pas les traces de lecture et de dessin\n"
    "  --no-images    ne peint aucune image raster (dessins de source douteuse, vignettes)\n"
    "  --layout       peint cette présentation (son nom, ou son rang dans la liste de\n"
    "                 --list-layouts, 0 pour l'espace objet) au lieu de l'espace objet\n"
    "  --list-layouts écrit les noms des présentations, un par ligne, \"Objet\" d'abord\n"
    "  --fond         le fond de l'image, blanc (par défaut) ou noir ; sur noir, la\n"
    "                 couleur 7 est blanche, les autres couleurs ne changent pas\n"
    "  --accept-incomplete\n"
    "                 une image incomplète sort avec le statut 0 (vignettes)\n"
    "  --help         affiche cette aide\n"
    "  --version      affiche la version\n"
    "La sortie est écrite sous un nom provisoire puis renommée : un echec ne laisse aucun "
    "fichier.\n"
    "Une sortie qui n'est pas un fichier ordinaire (lien symbolique, tube, périphérique,\n"
    "  dossier) est refusée.\n"
    "Statut de sortie : 0 image complète ; 1 échec, aucune image ; 2 mauvais usage ;\n"
    "  3 image écrite mais incomplète (fichier tronqué, blocs trop imbriqués, textes ou\n"
    "  traits sur lesquels cairo a échoué), dite en une ligne sur la sortie d'erreur.\n";

bool lireNombre(const std::string& s, double& v) {
    if (s.empty()) return false;
    auto [fin, e] = std::from_chars(s.data(), s.data() + s.size(), v);
    return e == std::errc() && fin == s.data() + s.size() && std::isfinite(v);
}

int erreurUsage(const std::string& message) {
    std::cerr << "tarsin-render : " << message << "\n" << kUsage;
    return 2;
}

int erreur(const std::string& message) {
    std::cerr << "tarsin-render : " << message << std::endl;
    return 1;
}

// The status of a picture written but incomplete.
constexpr int kStatutIncomplet = 3;

bool lireCote(const std::string& s, int& v) {
    if (s.empty()) return false;
    auto [fin, e] = std::from_chars(s.data(), s.data() + s.size(), v);
    return e == std::errc() && fin == s.data() + s.size() && v >= 1 && v <= kCoteMax;
}

// "LARGEURxHAUTEUR", or a single side for a square.
bool lireTaille(const std::string& s, int& l, int& h) {
    const auto x = s.find_first_of("xX");
    const bool lu = x == std::string::npos
                        ? lireCote(s, l) && lireCote(s, h)
                        : lireCote(s.substr(0, x), l) && lireCote(s.substr(x + 1), h);
    return lu && static_cast<long>(l) * h <= kPixelsMax;
}

// A bound of --max-seconds or --max-memory: a whole number from 1 to `max`.
bool lireBorne(const std::string& s, unsigned& v, unsigned max) {
    auto [fin, e] = std::from_chars(s.data(), s.data() + s.size(), v);
    return !s.empty() && e == std::errc() && fin == s.data() + s.size() && v >= 1 && v <= max;
}

// Whether the output file can be written (a temporary file can be made
// beside it, and nothing but a regular file is there), leaving nothing
// behind: so a wrong output path is told before a long import.
bool sortieInscriptible(const std::string& chemin, std::string& raison) {
    FichierProvisoire essai;
    return essai.ouvrir(chemin, raison);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positionnels;
    std::optional<double> echelle;
    std::optional<Boite> fenetre;
    int largeur = 1000, hauteur = 1000;
    bool silencieux = false, accepterIncomplet = false, listerPresentations = false;
    std::optional<std::string> presentation;
    CouleurRVB fond = kFond;
    unsigned secondesMax = 0, mioMax = 0;
    // No list of hidden layers: those off or frozen in the file are hidden.
    OptionsPeinture options;
    options.calquesMasquables = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--scale" || a == "--size" || a == "--max-seconds" || a == "--max-memory") {
            if (i + 1 >= argc) return erreurUsage("il manque la valeur de " + a + ".");
            const std::string v = argv[++i];
            double e = 1;
            if (a == "--scale" && !lireEchelle(v.c_str(), e))
                return erreurUsage("echelle invalide : \"" + v +
                                   "\" (un nombre entre 1e-06 et 1e+06 est attendu).");
            if (a == "--scale") echelle = e;
            if (a == "--size" && !lireTaille(v, largeur, hauteur))
                return erreurUsage("taille invalide : \"" + v +
                                   "\" (LARGEURxHAUTEUR ou COTE attendu, chaque cote entre 1 et " +
                                   std::to_string(kCoteMax) + " pixels).");
            if ((a == "--max-seconds" && !lireBorne(v, secondesMax, 86400)) ||
                (a == "--max-memory" && !lireBorne(v, mioMax, 1u << 20)))
                return erreurUsage("valeur invalide pour " + a + " : \"" + v +
                                   "\" (un nombre entier positif est attendu).");
        } else if (a == "--window") {
            double c[4];
            for (double& v : c) {
                if (i + 1 >= argc || !lireNombre(argv[i + 1], v))
                    return erreurUsage("--window attend quatre nombres : X0 Y0 X1 Y1.");
                ++i;
            }
            Boite b;
            b.ajouter(c[0], c[1]);
            b.ajouter(c[2], c[3]);
            if (!(b.largeur() > 0) && !(b.hauteur() > 0))
                return erreurUsage("--window : le rectangle est vide.");
            fenetre = b;
        } else if (a == "--layout") {
            if (i + 1 >= argc) return erreurUsage("il manque la valeur de " + a + ".");
            presentation = argv[++i];
        } else if (a == "--fond") {
            if (i + 1 >= argc) return erreurUsage("il manque la valeur de " + a + ".");
            const std::string v = argv[++i];
            if (v != "noir" && v != "blanc")
                return erreurUsage("fond invalide : \"" + v + "\" (noir ou blanc attendu).");
            fond = v == "noir" ? kFondNoir : kFond;
        } else if (a == "--list-layouts") {
            listerPresentations = silencieux = true;
        } else if (a == "--quiet") {
            silencieux = true;
        } else if (a == "--no-images") {
            options.images = false;
        } else if (a == "--accept-incomplete") {
            accepterIncomplet = true;
        } else if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--version") {
            std::cout << ligneVersion("tarsin-render");
            return 0;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            return erreurUsage("option inconnue : " + a);
        } else {
            positionnels.push_back(a);
        }
    }
    if (listerPresentations && (positionnels.size() != 1 || presentation))
        return erreurUsage("--list-layouts ne prend qu'un dessin.");
    if (listerPresentations) positionnels.push_back("");
    if (positionnels.size() != 2) return erreurUsage("il faut un dessin et un fichier de sortie.");
    if (echelle && fenetre) return erreurUsage("--scale et --window s'excluent.");
    const std::string& dessin = positionnels[0];
    const std::string& sortie = positionnels[1];
    const std::optional<FormatImage> format = formatDuNom(sortie);
    if (!format && !listerPresentations)
        return erreurUsage("extension de sortie inconnue : " + sortie +
                           " (.png, .svg ou .pdf attendu).");

    std::string raison;
    if (!listerPresentations && !sortieInscriptible(sortie, raison))
        return erreur("impossible d'ecrire " + sortie + " : " + raison + ".");

    // The traces are written out on a crash, after the temporary file is
    // removed (the handlers of the limits come over this one).
    Trace::installerVidageSurSignal();
    if (!poserLimites(secondesMax, mioMax, raison))
        return erreur("impossible de poser les limites : " + raison + ".");
    std::ofstream rien;  // a stream without a buffer: writes nothing
    std::ostream& traces = silencieux ? static_cast<std::ostream&>(rien) : std::cout;
    if (silencieux) rien.setstate(std::ios::badbit);

    const LectureDessin lu = lireDessin(dessin, traces);
    const ResultatLecture& lecture = lu.resultat;
    if (!lecture.utilisable())
        return erreur(lecture.message.empty() ? dessin + " n'a pas pu etre lu." : lecture.message);
    // What the picture lacks, said in one line once it is written: the
    // reader's sentence for a file cut short goes there; its other warnings
    // are said now.
    std::vector<std::string> manques;
    if (lecture.issue == ResultatLecture::Incomplete) {
        std::string phrase = lecture.message;
        if (!phrase.empty() && phrase.back() == '.') phrase.pop_back();
        manques.push_back(phrase);
    } else if (!lecture.message.empty()) {
        std::cerr << "tarsin-render : " << lecture.message << std::endl;
    }

    const EspacePapier& papier = lu.dessin->getEspacePapier();
    if (listerPresentations) {
        for (const std::string& nom : papier.noms()) std::cout << nom << '\n';
        return 0;
    }
    const long rang = presentation ? papier.chercher(*presentation) : 0;
    if (rang < 0)
        return erreur("présentation inconnue : \"" + *presentation +
                      "\" (--list-layouts les nomme).");

    Vue vue;
    if (echelle)
        vue.echelle = *echelle;
    else if (fenetre)
        vue = ajuster(*fenetre, largeur, hauteur, 0);
    else
        vue = ajusterPresentation(*lu.dessin, static_cast<std::size_t>(rang), largeur, hauteur,
                                  kMargeAjustement);
    ResultatExport r;
    bool tronque = false;
    {
        Trace trace(traces);
        Peintre peintre(options);
        peintre.setPresentation(static_cast<std::size_t>(rang));
        peintre.setFond(fond);
        if (!silencieux) peintre.setTrace(trace);
        r = exporter(peintre, *lu.dessin, vue, largeur, hauteur, {}, *format, sortie);
        tronque = peintre.estTronque();
    }
    if (tronque) manques.push_back("des blocs imbriques trop profondement ne sont pas dessines");
    if (r.textesManquants) manques.push_back("des textes ou des traits n'ont pas pu etre peints");
    if (!r.incomplet.empty()) manques.push_back("cairo a echoue : " + r.incomplet);
    libererPolices();
    if (!r.ecrit) return erreur(r.erreur + ".");
    if (manques.empty()) return 0;
    std::string ligne = "tarsin-render : image incomplete " + sortie + " : ";
    for (std::size_t i = 0; i < manques.size(); ++i) ligne += (i ? " ; " : "") + manques[i];
    std::cerr << ligne << "." << std::endl;
    return accepterIncomplet ? 0 : kStatutIncomplet;
}
