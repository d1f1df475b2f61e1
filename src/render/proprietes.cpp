#include "render/proprietes.h"

#include <cmath>
#include <cstdio>

#include "model/mesures.h"
#include "render/designation.h"
#include "render/recherche.h"

const char* nomGenre(unsigned genre) {
    // In the order of GenresEntites.
    static const char* const noms[] = {"Hachure",
                                       "Solide",
                                       "Masque",
                                       "Ligne",
                                       "Arc",
                                       "Polyligne",
                                       "Point",
                                       "Cercle",
                                       "Ellipse",
                                       "Spline",
                                       "Face 3D",
                                       "Repère",
                                       "Repère multiple",
                                       "Texte",
                                       "Texte multiligne",
                                       "Attribut",
                                       "Image",
                                       "Cote",
                                       "Insertion de bloc"};
    static_assert(std::size(noms) == std::tuple_size_v<ListesDe<GenresEntites>>);
    return genre < std::size(noms) ? noms[genre] : "";
}

std::string texteCouleurIndex(int indice) {
    static const char* const noms[] = {"",     "rouge", "jaune",   "vert",
                                       "cyan", "bleu",  "magenta", "blanc/noir"};
    indice = std::abs(indice);
    std::string s = std::to_string(indice);
    if (indice >= 1 && indice <= 7) s += std::string(" (") + noms[indice] + ")";
    return s;
}

namespace {

std::string rvb(std::uint32_t c) {
    char t[16];
    std::snprintf(t, sizeof t, "#%06X", c & 0xFFFFFF);
    return t;
}

// The colour an entity shows, in words, its by-block colour taken from the
// carriers (innermost first), by-layer from its layer.
std::string couleurResolue(const Entity& e, const Layer* calque, std::size_t porteur,
                           const std::vector<Porteur>& porteurs) {
    if (e.hasCouleurVraie()) return rvb(e.getCouleurVraie());
    const int c = e.getCouleurBrute();
    if (c == 256) return calque ? texteCouleurIndex(calque->getCouleur()) : "7 (blanc/noir)";
    if (c == 0) {
        if (porteur == 0) return "7 (blanc/noir)";
        const Entity& p = *porteurs[porteur - 1].ref.entite;
        return couleurResolue(p, p.getCalque(), porteur - 1, porteurs);
    }
    return texteCouleurIndex(c);
}

std::string typeResolu(const Entity& e, const Layer* calque, std::size_t porteur,
                       const std::vector<Porteur>& porteurs) {
    const TypeLigne& t = e.getType();
    if (t.parCalque()) return calque ? calque->getTypeLigne() : "CONTINUOUS";
    if (t.parBloc()) {
        if (porteur == 0) return "CONTINUOUS";
        const Entity& p = *porteurs[porteur - 1].ref.entite;
        return typeResolu(p, p.getCalque(), porteur - 1, porteurs);
    }
    return t.getNom();
}

// The factor by which `m` scales lengths (that of areas is its square).
double facteur(const Matrice& m) { return std::sqrt(std::fabs(m.determinant())); }

double degres(double radians) {
    double d = std::fmod(radians * 180 / kPi, 360.0);
    return d < 0 ? d + 360 : d;
}

// The turn of `m`: the angle its x axis takes.
double rotation(const Matrice& m) { return std::atan2(m.yx, m.xx); }

struct Lignes {
    std::vector<LigneProprietes>& l;
    const Unites& u;
    void operator()(std::string a, std::string b) { l.emplace_back(std::move(a), std::move(b)); }
    void longueur(const char* a, double v) { (*this)(a, texteLongueur(v, u)); }
    void point(const char* a, const PointPlan& p) { (*this)(a, textePoint(p, u)); }
    void angle(const char* a, double radians) { (*this)(a, texteAngle(degres(radians), u)); }
    void nombre(const char* a, double v) { (*this)(a, nombreFrancais(v, u.decimales)); }
};

template <class F>
void segmentsPolyligne(const Polyline& p, const Matrice& m, F&& f) {
    const auto& s = p.getPoints();
    const std::size_t n = s.size();
    if (n < 2) return;
    const double sens = m.determinant() < 0 ? -1 : 1;
    for (std::size_t i = 0; i < (p.isFermee() ? n : n - 1); ++i)
        f(porte(m, s[i]->getX(), s[i]->getY()),
          porte(m, s[(i + 1) % n]->getX(), s[(i + 1) % n]->getY()), sens * p.getRenflement(i));
}

void geometrie(Lignes& l, const Line& e, const Matrice& m) {
    const PointPlan a = porte(m, e.getX(), e.getY()), b = porte(m, e.getX2(), e.getY2());
    l.point("Début", a);
    l.point("Fin", b);
    l.longueur("Longueur", distancePoints(a, b));
    l.angle("Angle", angleDegres(a, b) * kPi / 180);
}
void geometrie(Lignes& l, const Circle& e, const Matrice& m) {
    const double r = std::fabs(e.getRayon()) * facteur(m);
    l.point("Centre", porte(m, e.getX(), e.getY()));
    l.longueur("Rayon", r);
    l.longueur("Diamètre", 2 * r);
    l.longueur("Circonférence", kDeuxPi * r);
    l("Aire", texteAire(kPi * r * r, l.u));
}
void geometrie(Lignes& l, const Arc& e, const Matrice& m) {
    double a1 = e.getAngle1(), a2 = e.getAngle2();
    ramenerAngles(a1, a2, true);
    const double r = std::fabs(e.getRayon()), k = facteur(m);
    const PointPlan c = porte(m, e.getX(), e.getY());
    const PointPlan d = porte(m, e.getX() + r * std::cos(a1), e.getY() + r * std::sin(a1));
    const PointPlan f = porte(m, e.getX() + r * std::cos(a2), e.getY() + r * std::sin(a2));
    l.point("Centre", c);
    l.longueur("Rayon", r * k);
    l.angle("Angle de début", std::atan2(d.y - c.y, d.x - c.x));
    l.angle("Angle de fin", std::atan2(f.y - c.y, f.x - c.x));
    l.angle("Angle balayé", a2 - a1);
    l.longueur("Longueur d'arc", r * k * (a2 - a1));
    l.point("Début", d);
    l.point("Fin", f);
}
void geometrie(Lignes& l, const Point& e, const Matrice& m) {
    l.point("Position", porte(m, e.getX(), e.getY()));
}
void geometrie(Lignes& l, const Polyline& e, const Matrice& m) {
    l("Sommets", std::to_string(e.getPoints().size()));
    l("Fermée", e.isFermee() ? "oui" : "non");
    l.longueur("Longueur", longueurPolyligne(e, m));
    if (e.isFermee()) l("Aire", texteAire(airePolyligne(e, m), l.u));
}
void geometrie(Lignes& l, const Ellipse& e, const Matrice& m) {
    const double k = facteur(m);
    l.point("Centre", porte(m, e.getX(), e.getY()));
    l.longueur("Demi-grand axe", std::hypot(e.getAx(), e.getAy()) * k);
    l.longueur("Demi-petit axe", std::hypot(e.getBx(), e.getBy()) * k);
}
void geometrie(Lignes& l, const Spline& e, const Matrice&) {
    l("Degré", std::to_string(e.getDegre()));
    l("Points de contrôle", std::to_string(e.getControles().size()));
    l("Points d'ajustement", std::to_string(e.getAjustes().size()));
}
void geometrie(Lignes& l, const Leader& e, const Matrice&) {
    l("Sommets", std::to_string(e.getSommets().size()));
}
void geometrie(Lignes& l, const Hatch& e, const Matrice&) {
    l("Remplissage", e.isPlein() ? "plein" : "motif");
    l("Contours", std::to_string(e.getChemins().size()));
}
void geometrie(Lignes& l, const Image& e, const Matrice& m) {
    l("Fichier", e.fileRef().empty() ? e.refRef() : e.fileRef());
    l.point("Coin", porte(m, e.getX(), e.getY()));
    l("Pixels", nombreFrancais(e.getWidth(), 0) + " × " + nombreFrancais(e.getHeight(), 0));
}
void geometrie(Lignes& l, const Wipeout& e, const Matrice&) {
    l("Sommets", std::to_string(e.getContour().size()));
}
void texte(Lignes& l, const Text& t, bool mtext, const Matrice& m) {
    l("Texte", texteLisible(t, mtext));
    l.longueur("Hauteur", std::fabs(t.getTaille()) * facteur(m));
    l("Style", t.styleRef());
    l.point("Point d'insertion", porte(m, t.getX(), t.getY()));
    l.angle("Rotation", t.getDisposition().angle + rotation(m));
}
void geometrie(Lignes& l, const Text& t, const Matrice& m) { texte(l, t, false, m); }
void geometrie(Lignes& l, const Attribut& t, const Matrice& m) { texte(l, t, false, m); }
void geometrie(Lignes& l, const MText& t, const Matrice& m) { texte(l, t, true, m); }
void geometrie(Lignes& l, const MultiLeader& e, const Matrice& m) {
    l("Branches", std::to_string(e.getBranches().size()));
    if (e.getTexte()) texte(l, *e.getTexte(), true, m);
}
void geometrie(Lignes& l, const Dimension& d, const Matrice&) {
    // What its block writes.
    std::string s;
    d.getBloc().pourChaqueEntite([&](const auto& e) {
        using T = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<T, Text> || std::is_same_v<T, MText>)
            if (s.empty()) s = texteLisible(e, std::is_same_v<T, MText>);
    });
    l("Bloc", d.getBloc().nomRef());
    if (!s.empty()) l("Texte", s);
}
void geometrie(Lignes& l, const Insertion& i, const Matrice& m) {
    l("Nom du bloc", i.nomRef());
    l.point("Point d'insertion", porte(m, i.getX(), i.getY()));
    l("Échelles X / Y",
      nombreFrancais(i.getSx(), l.u.decimales) + " / " + nombreFrancais(i.getSy(), l.u.decimales));
    l.angle("Rotation", i.getAngle() + rotation(m));
    if (i.getColonnes() > 1 || i.getLignes() > 1)
        l("Réseau", std::to_string(i.getColonnes()) + " × " + std::to_string(i.getLignes()));
    for (const Attribut* a : i.getAttributs()) l("Attribut", texteLisible(*a, false));
}
void geometrie(Lignes& l, const Solid&, const Matrice&) { l("Sommets", "4"); }
void geometrie(Lignes& l, const Face3D&, const Matrice&) { l("Sommets", "4"); }

}  // namespace

double longueurPolyligne(const Polyline& p, const Matrice& m) {
    double s = 0;
    segmentsPolyligne(p, m, [&](const PointPlan& a, const PointPlan& b, double renflement) {
        const double corde = distancePoints(a, b);
        const double theta = 4 * std::atan(std::fabs(renflement));
        s += theta > 1e-12 ? corde * theta / (2 * std::sin(theta / 2)) : corde;
    });
    return s;
}

double airePolyligne(const Polyline& p, const Matrice& m) {
    if (!p.isFermee()) return 0;
    double s = 0;
    segmentsPolyligne(p, m, [&](const PointPlan& a, const PointPlan& b, double renflement) {
        s += (a.x * b.y - b.x * a.y) / 2;
        const double theta = 4 * std::atan(std::fabs(renflement));
        if (theta > 1e-12) {
            const double r = distancePoints(a, b) / (2 * std::sin(theta / 2));
            // A positive bulge swells to the right of the way: out of a
            // counter-clockwise outline.
            s += std::copysign(r * r / 2 * (theta - std::sin(theta)), renflement);
        }
    });
    return std::fabs(s);
}

std::vector<LigneProprietes> proprietes(const Dessin& dessin, const RefEntite& objet,
                                        const std::vector<Porteur>& porteurs,
                                        const Matrice& matrice) {
    std::vector<LigneProprietes> lignes;
    const Unites u = unitesDe(dessin);
    Lignes l{lignes, u};
    const Entity& e = *objet.entite;
    // Layer "0" inside a block stands for the layer of the carrier.
    const Layer* calque = e.getCalque();
    for (auto it = porteurs.rbegin(); calque && calque->isZero() && it != porteurs.rend(); ++it)
        calque = it->ref.entite->getCalque();
    l("Type", nomGenre(objet.genre));
    std::string nomCalque = e.getCalque() ? e.getCalque()->nomRef() : "";
    if (calque != e.getCalque() && calque) nomCalque += " (" + calque->nomRef() + ")";
    l("Calque", nomCalque);
    std::string couleur = couleurResolue(e, calque, porteurs.size(), porteurs);
    if (!e.hasCouleurVraie() && e.getCouleurBrute() == 256) couleur = "DuCalque : " + couleur;
    if (!e.hasCouleurVraie() && e.getCouleurBrute() == 0) couleur = "DuBloc : " + couleur;
    l("Couleur", couleur);
    std::string type = typeResolu(e, calque, porteurs.size(), porteurs);
    if (e.getType().parCalque()) type = "DuCalque : " + type;
    if (e.getType().parBloc()) type = "DuBloc : " + type;
    l("Type de ligne", type);
    l.nombre("Échelle du type de ligne", dessin.getEchelleTypeLigne(e));
    const std::string chemin = cheminBlocs(porteurs);
    if (!chemin.empty()) l("Chemin des blocs", chemin);
    pourGenre(GenresEntites{}, objet.genre, [&](auto* g) {
        using T = std::remove_pointer_t<decltype(g)>;
        geometrie(l, static_cast<const T&>(e), matrice);
    });
    // The insertion that carries it.
    for (auto it = porteurs.rbegin(); it != porteurs.rend(); ++it)
        if (it->ref.est<Insertion>()) {
            l("Insertion", "");
            geometrie(l, it->ref.comme<Insertion>(), it->matrice);
            break;
        }
    return lignes;
}
