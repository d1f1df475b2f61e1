#include "import/enregistrements.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

#include "model/hachures.h"

namespace {

// The ends of the edges of a boundary path meet within this part of its size.
constexpr double kToleranceChainage = 1e-5;

double radians(double degres) { return degres * kPi / 180.0; }

// A cursor over the pairs of one record.
class Curseur {
  public:
    explicit Curseur(const std::vector<Paire>& p) : p_(p) {}
    bool fin() const { return i_ >= p_.size(); }
    int code() const { return fin() ? -1 : p_[i_].code; }
    int codeSuivant() const { return i_ + 1 < p_.size() ? p_[i_ + 1].code : -1; }
    double reel() const { return reelDxflib(p_[i_].valeur); }
    int entier() const { return entierDxflib(p_[i_].valeur); }
    void avancer() { ++i_; }
    // Passes the pairs up to the next one whose code is among `arrets`.
    template <std::size_t N>
    void passerJusqua(const int (&arrets)[N]) {
        while (!fin() &&
               std::find(std::begin(arrets), std::end(arrets), code()) == std::end(arrets))
            avancer();
    }

  private:
    const std::vector<Paire>& p_;
    std::size_t i_ = 0;
};

// Codes that end the boundary paths of a hatch (its style, pattern, seed
// points and gradient), and those that end one edge or path besides.
constexpr int kFinContours[] = {75, 76, 52, 41, 77, 78, 47, 98, 450};
bool finArete(int code) {
    return code == 72 || code == 92 || code == 97 || code < 0 ||
           std::find(std::begin(kFinContours), std::end(kFinContours), code) !=
               std::end(kFinContours);
}

// One edge of a boundary path as the file gives it, with its curve when it
// is a spline, and where it starts and ends as it runs.
struct Arete {
    AreteContour a;
    SplineContour courbe;
    PointPlan bouts[2] = {{0, 0}, {0, 0}};
};

void lireSplineArete(Curseur& c, SplineContour& a) {
    for (; !c.fin(); c.avancer()) {
        const int code = c.code();
        if (code == 97) {
            // The count of fit points, when they follow; otherwise the end
            // of the path.
            const int suivant = c.codeSuivant();
            if (suivant != 11 && suivant != 12 && suivant != 13) break;
            continue;
        }
        if (finArete(code)) break;
        switch (code) {
            case 94:
                a.degre = c.entier();
                break;
            case 40:
                a.noeuds.push_back(c.reel());
                break;
            case 10:
                a.controles.push_back({c.reel(), 0});
                break;
            case 20:
                if (!a.controles.empty()) a.controles.back().y = c.reel();
                break;
            case 42:
                a.poids.push_back(c.reel());
                break;
            case 11:
                a.ajustes.push_back({c.reel(), 0});
                break;
            case 21:
                if (!a.ajustes.empty()) a.ajustes.back().y = c.reel();
                break;
            default:
                break;
        }
    }
}

// One edge of a path of edges, its type read.
void lireArete(Curseur& c, Arete& arete) {
    AreteContour& a = arete.a;
    if (a.genre == 4) {
        lireSplineArete(c, arete.courbe);
        return;
    }
    double v[74] = {};
    v[73] = 1;  // counter-clockwise unless said otherwise
    v[40] = 1;
    for (; !c.fin() && !finArete(c.code()); c.avancer())
        if (c.code() >= 10 && c.code() <= 73) v[c.code()] = c.reel();
    a.p1 = {v[10], v[20]};
    a.p2 = {v[11], v[21]};
    a.rayon = v[40];
    a.debut = v[50];
    a.fin = v[51];
    a.direct = v[73] != 0;
}

// Edges of one path in the order they join: where each starts, and whether
// it runs backwards.
struct Maillon {
    std::size_t arete;
    bool renversee;
};

// The ends of the edges not yet joined, by cells of the tolerance's size
// (made when first searched: edges written in order never are).
class Bouts {
  public:
    Bouts(const std::vector<Arete>& aretes, double tolerance)
        : aretes_(aretes), tolerance_(tolerance), pris_(aretes.size(), false) {}
    bool pris(std::size_t i) const { return pris_[i]; }
    void prendre(std::size_t i) { pris_[i] = true; }
    bool proches(const PointPlan& a, const PointPlan& b) const {
        return std::fabs(a.x - b.x) <= tolerance_ && std::fabs(a.y - b.y) <= tolerance_;
    }
    // The edge not yet joined with an end nearest to `p`, within the
    // tolerance; false when there is none.
    bool chercher(const PointPlan& p, Maillon& m) {
        if (cases_.empty())
            for (std::size_t i = 0; i < aretes_.size(); ++i)
                for (int k : {0, 1}) cases_[cle(aretes_[i].bouts[k], 0, 0)].push_back(2 * i + k);
        double meilleure = std::numeric_limits<double>::infinity();
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const auto c = cases_.find(cle(p, dx, dy));
                if (c == cases_.end()) continue;
                for (std::size_t b : c->second) {
                    const PointPlan& q = aretes_[b / 2].bouts[b % 2];
                    const double d = std::hypot(q.x - p.x, q.y - p.y);
                    if (pris_[b / 2] || !proches(p, q) || !(d < meilleure)) continue;
                    meilleure = d;
                    m = {b / 2, b % 2 == 1};
                }
            }
        return std::isfinite(meilleure);
    }

  private:
    std::uint64_t cle(const PointPlan& p, int dx, int dy) const {
        auto cellule = [&](double v, int d) {
            return static_cast<std::uint64_t>(
                static_cast<std::int64_t>(std::clamp(std::floor(v / tolerance_), -1e15, 1e15)) + d);
        };
        return cellule(p.x, dx) * 0x9E3779B97F4A7C15ull + cellule(p.y, dy);
    }
    const std::vector<Arete>& aretes_;
    double tolerance_;
    std::vector<bool> pris_;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> cases_;
};

// The closed paths that a path of edges holds: its edges chained by their
// ends, each first after the one before when it joins it there, otherwise
// the nearest one that does (turned around when it is its end that joins);
// a path closes where it comes back to its start. The pieces that do not
// close make one more path, in the order they come: their gaps are crossed
// straight, as its last vertex joins its first.
std::vector<std::vector<Maillon>> chainer(const std::vector<Arete>& aretes, double tolerance,
                                          bool& ouvert) {
    std::vector<std::vector<Maillon>> chemins;
    std::vector<Maillon> morceaux;
    Bouts bouts(aretes, tolerance);
    for (std::size_t premiere = 0; premiere < aretes.size(); ++premiere) {
        if (bouts.pris(premiere)) continue;
        bouts.prendre(premiere);
        std::vector<Maillon> chemin{{premiere, false}};
        const PointPlan& depart = aretes[premiere].bouts[0];
        PointPlan fin = aretes[premiere].bouts[1];
        while (!bouts.proches(fin, depart)) {
            const std::size_t suivante = chemin.back().arete + 1;
            const bool libre = suivante < aretes.size() && !bouts.pris(suivante);
            Maillon m{suivante, false};
            if (libre && bouts.proches(aretes[suivante].bouts[0], fin)) {
                m.renversee = false;
            } else if (libre && bouts.proches(aretes[suivante].bouts[1], fin)) {
                m.renversee = true;
            } else if (!bouts.chercher(fin, m)) {
                morceaux.insert(morceaux.end(), chemin.begin(), chemin.end());
                chemin.clear();
                break;
            }
            bouts.prendre(m.arete);
            chemin.push_back(m);
            fin = aretes[m.arete].bouts[m.renversee ? 0 : 1];
        }
        if (!chemin.empty()) chemins.push_back(std::move(chemin));
    }
    ouvert = !morceaux.empty();
    if (ouvert) chemins.push_back(std::move(morceaux));
    return chemins;
}

// Adds a path to a hatch unless it comes to a single point.
template <class C>
void ajouterContour(Hatch& h, const C& contour) {
    h.ajouterContour(contour);
    std::vector<Sommet> sommets;
    sommetsContour(h, h.getChemins().back(), std::numeric_limits<double>::infinity(), sommets);
    if (sommets.size() < 2) h.retirerDernierContour();
}

// Reads a boundary path into the hatch: its vertices, or its edges chained
// into closed paths (one or several); returns whether some of these did not
// close.
bool lireContour(Curseur& c, int type, Hatch& h) {
    if (type & 2) {
        // A polyline: vertices with their bulges.
        std::vector<Sommet> contour;
        for (; !c.fin(); c.avancer()) {
            const int code = c.code();
            if (code == 10) {
                Sommet s;
                s.x = c.reel();
                contour.push_back(s);
            } else if (code == 20 && !contour.empty()) {
                contour.back().y = c.reel();
            } else if (code == 42 && !contour.empty()) {
                contour.back().renflement = c.reel();
            } else if (code != 72 && code != 73 && code != 93) {
                break;
            }
        }
        ajouterContour(h, contour);
        return false;
    }
    if (c.code() == 93) c.avancer();
    std::vector<Arete> aretes;
    Boite boite;
    while (c.code() == 72) {
        Arete a;
        const int genre = c.entier();
        a.a.genre = static_cast<std::uint8_t>(genre >= 1 && genre <= 4 ? genre : 0);
        c.avancer();
        lireArete(c, a);
        if (!boutsArete(a.a, &a.courbe, a.bouts[0], a.bouts[1])) continue;
        for (const PointPlan& p : a.bouts) boite.ajouter(p.x, p.y);
        aretes.push_back(std::move(a));
    }
    // Ends this close, for the size of the boundary, are the same point.
    const double grandeur = std::max(
        {std::fabs(boite.x0), std::fabs(boite.y0), std::fabs(boite.x1), std::fabs(boite.y1), 1.0});
    const double tolerance = std::max(
        kToleranceChainage * std::hypot(boite.largeur(), boite.hauteur()), 1e-9 * grandeur);
    bool ouvert = false;
    const auto chemins = chainer(aretes, tolerance, ouvert);
    for (Arete& a : aretes)
        if (a.a.genre == 4) a.a.spline = h.ajouterSpline(std::move(a.courbe));
    std::vector<AreteContour> contour;
    for (const auto& chemin : chemins) {
        contour.clear();
        for (const Maillon& m : chemin) {
            contour.push_back(aretes[m.arete].a);
            contour.back().renversee = m.renversee;
        }
        ajouterContour(h, contour);
    }
    return ouvert;
}

}  // namespace

int lireHachure(const std::vector<Paire>& paires, Hatch& hachure) {
    Curseur c(paires);
    c.passerJusqua({91});
    if (!c.fin()) c.avancer();
    int ouverts = 0;
    while (c.code() == 92) {
        const int type = c.entier();
        c.avancer();
        ouverts += lireContour(c, type, hachure);
        // What follows the edges (the source objects) up to the next path.
        c.passerJusqua({92, 75, 76, 52, 41, 77, 78, 47, 98, 450});
    }
    hachure.ajuster();
    c.passerJusqua({78});
    if (c.fin()) return ouverts;
    c.avancer();
    std::vector<LigneMotif> lignes;
    while (c.code() == 53) {
        LigneMotif l;
        std::vector<double> elements;
        l.angle = radians(c.reel());
        for (c.avancer(); !c.fin(); c.avancer()) {
            const int code = c.code();
            if (code == 43)
                l.x = c.reel();
            else if (code == 44)
                l.y = c.reel();
            else if (code == 45)
                l.dx = c.reel();
            else if (code == 46)
                l.dy = c.reel();
            else if (code == 49)
                elements.push_back(c.reel());
            else if (code != 79)
                break;
        }
        tiretsDeElements(elements, l.tirets, l.depart);
        lignes.push_back(std::move(l));
    }
    hachure.setMotif(std::move(lignes));
    return ouverts;
}

std::vector<PointPlan> lireContourWipeout(const std::vector<Paire>& paires) {
    const PointPlan p{reelDe(paires, 10, 0), reelDe(paires, 20, 0)};
    const PointPlan u{reelDe(paires, 11, 1), reelDe(paires, 21, 0)};
    const PointPlan v{reelDe(paires, 12, 0), reelDe(paires, 22, 1)};
    const double largeur = reelDe(paires, 13, 1), hauteur = reelDe(paires, 23, 1);
    std::vector<PointPlan> pixels;
    for (const Paire& q : paires) {
        if (q.code == 14) pixels.push_back({reelDxflib(q.valeur), 0});
        if (q.code == 24 && !pixels.empty()) pixels.back().y = reelDxflib(q.valeur);
    }
    std::vector<PointPlan> contour;
    if (pixels.empty()) {
        // The whole picture.
        for (const auto& [i, j] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}})
            contour.push_back({p.x + u.x * largeur * i + v.x * hauteur * j,
                               p.y + u.y * largeur * i + v.y * hauteur * j});
        return contour;
    }
    if (pixels.size() == 2 || entierDe(paires, 71, 2) == 1) {
        const PointPlan a = pixels.front(), b = pixels.back();
        pixels = {a, {b.x, a.y}, b, {a.x, b.y}};
    }
    // Pixel coordinates run right and down from the centre of the top-left
    // pixel.
    const PointPlan o{p.x + 0.5 * (u.x - v.x), p.y + 0.5 * (u.y - v.y)};
    for (const PointPlan& q : pixels)
        contour.push_back(
            {o.x + u.x * q.x + v.x * (hauteur - q.y), o.y + u.y * q.x + v.y * (hauteur - q.y)});
    if (contour.size() > 1 && contour.back().x == contour.front().x &&
        contour.back().y == contour.front().y)
        contour.pop_back();
    return contour;
}

void lireMultiLeader(const std::vector<Paire>& paires, LectureMultiLeader& l) {
    // The fields of the context data outside its leaders, by code.
    const std::pair<int, double*> reels[] = {
        {41, &l.hauteurTexte},    {140, &l.tailleFleche},    {12, &l.positionTexte.x},
        {22, &l.positionTexte.y}, {13, &l.directionTexte.x}, {23, &l.directionTexte.y},
        {42, &l.rotationTexte},   {43, &l.largeurTexte},     {45, &l.interligne},
        {15, &l.positionBloc.x},  {25, &l.positionBloc.y},   {16, &l.echelleBloc.x},
        {26, &l.echelleBloc.y},   {46, &l.rotationBloc}};
    const std::pair<int, int*> entiers[] = {
        {171, &l.attachement}, {90, &l.couleurTexte}, {93, &l.couleurBloc}};
    enum { Entete, Contexte, Branche, Ligne, Proprietes } etat = Entete;
    double fleche = 0;
    for (const Paire& q : paires) {
        const double r = reelDxflib(q.valeur);
        const int e = entierDxflib(q.valeur);
        MultiLeader::Branche* b = l.branches.empty() ? nullptr : &l.branches.back();
        if (etat == Entete && q.code == 300) {
            etat = Contexte;
        } else if (etat == Contexte) {
            if (q.code == 301) etat = Proprietes;
            if (q.code == 302) l.branches.emplace_back();
            if (q.code == 302) etat = Branche;
            if (q.code == 290) l.aTexte = e != 0;
            if (q.code == 296) l.aBloc = e != 0;
            if (q.code == 304) l.texte += q.valeur;
            if (q.code == 340) l.style = std::string(q.valeur);
            if (q.code == 341) l.bloc = std::string(q.valeur);
            for (const auto& [code, champ] : reels)
                if (q.code == code) *champ = r;
            for (const auto& [code, champ] : entiers)
                if (q.code == code) *champ = e;
        } else if (etat == Branche) {
            if (q.code == 303) etat = Contexte;
            if (q.code == 304) b->lignes.emplace_back();
            if (q.code == 304) etat = Ligne;
            if (q.code == 10) b->aDernier = true;
            if (q.code == 10) b->dernier.x = r;
            if (q.code == 20) b->dernier.y = r;
            if (q.code == 11) b->directionPalier.x = r;
            if (q.code == 21) b->directionPalier.y = r;
            if (q.code == 40) b->longueurPalier = r;
        } else if (etat == Ligne) {
            if (q.code == 305) etat = Branche;
            if (q.code == 10) b->lignes.back().push_back({r, 0});
            if (q.code == 20 && !b->lignes.back().empty()) b->lignes.back().back().y = r;
        } else if (etat == Proprietes) {
            if (q.code == 170) l.genreLignes = e;
            if (q.code == 91) l.couleurLignes = e;
            if (q.code == 291) l.palier = e != 0;
            if (q.code == 342) l.blocFleche = std::string(q.valeur);
            if (q.code == 42) fleche = r;
            // The attributes of the block: their definition, then their text.
            if (q.code == 330) l.attributs.emplace_back(std::string(q.valeur), std::string());
            if (q.code == 302 && !l.attributs.empty()) l.attributs.back().second = q.valeur;
        }
    }
    if (!(l.tailleFleche > 0)) l.tailleFleche = fleche;
}

bool couleurComposee(int valeur, int& indice, std::uint32_t& rvb) {
    const auto v = static_cast<std::uint32_t>(valeur);
    indice = 0;
    switch (v >> 24) {
        case 0xC0:
            indice = 256;
            break;
        case 0xC2:
            rvb = v & 0xFFFFFF;
            return true;
        case 0xC3:
            indice = static_cast<int>(v & 0xFF);
            break;
        default:
            break;
    }
    return false;
}

double reelDe(const std::vector<Paire>& paires, int code, double defaut) {
    for (const Paire& p : paires)
        if (p.code == code) return reelDxflib(p.valeur);
    return defaut;
}

int entierDe(const std::vector<Paire>& paires, int code, int defaut) {
    for (const Paire& p : paires)
        if (p.code == code) return entierDxflib(p.valeur);
    return defaut;
}
