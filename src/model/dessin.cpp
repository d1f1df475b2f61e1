#include "model/dessin.h"

#include <unordered_set>

namespace {

std::string majuscules(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

Dessin::Dessin() {
    const TypeLigne& continu = typeLigne("CONTINUOUS");
    calqueRoot = &nouveau<Layer>("__root__", 256, continu);
    calqueRoot->setIndex(0);
    racine = &nouveau<Block>("__root__", 256, *calqueRoot, continu, 0.0, 0.0);
    racine->setDefini();
    // Colour 7 and a continuous line: what the by-block properties of the
    // drawing's own entities paint as.
    insertionRacine = &nouveau<Insertion>(*racine, 7, *calqueRoot, continu, 0, 0, 1, 1, 0);
}

Dessin::~Dessin() = default;

std::size_t Dessin::nombreObjets() const {
    std::size_t n = 0;
    pourChaqueGenre(GenresStockes{},
                    [&](auto* genre) { n += nombre<std::remove_pointer_t<decltype(genre)>>(); });
    // The root's own layer, block and insertion, and the continuous line
    // type, are not the file's; nor are the details of polylines.
    return n - 4 - nombre<DetailsPolyligne>();
}

const TypeLigne& Dessin::typeLigne(std::string_view nom) {
    auto it = typesLigne.find(nom);
    if (it != typesLigne.end()) return *it->second;
    TypeLigne& t = nouveau<TypeLigne>(std::string(nom));
    typesLigne.emplace(std::string_view(t.getNom()), &t);
    if (!elementsTypes.empty()) {
        auto e = elementsTypes.find(majuscules(t.getNom()));
        if (e != elementsTypes.end()) t.setElements(e->second);
    }
    return t;
}

void Dessin::definirTypeLigne(const std::string& nom, const std::vector<double>& elements) {
    const std::string cle = majuscules(nom);
    elementsTypes[cle] = elements;
    for (auto& [n, t] : typesLigne)
        if (majuscules(std::string(n)) == cle) t->setElements(elements);
}

double Dessin::echelleTypeLignePropre(const Entity& e) const {
    auto it = echellesTypeLigne.find(&e);
    return it == echellesTypeLigne.end() ? 1 : it->second;
}

void Dessin::setEchelleTypeLigne(Entity& e, double echelle) {
    echellesTypeLigne[&e] = echelle;
    e.setEchelleTypeLigne();
}

namespace {

double produitFleche(double taille, double echelle) {
    // A scale of 0 leaves the size as it is (DXF's meaning for paper space).
    return taille * (echelle > 0 ? echelle : 1);
}

}  // namespace

double Dessin::getTailleFleches(const std::string& style) const {
    auto it = flechesStyles.find(majuscules(style));
    return it != flechesStyles.end() ? it->second : produitFleche(dimasz, dimscale);
}

void Dessin::setTailleFleches(const std::string& style, double taille, double echelle) {
    flechesStyles[majuscules(style)] = produitFleche(taille, echelle);
}

Layer& Dessin::ajouterCalque(const std::string& nom, int couleur, const TypeLigne& type) {
    Layer& c = nouveau<Layer>(nom, couleur, type);
    c.setIndex(nombre<Layer>() - 1);
    calques_[nom] = &c;
    return c;
}

Layer& Dessin::calque(const std::string& nom) {
    auto it = calques_.find(nom);
    if (it != calques_.end()) return *it->second;
    return ajouterCalque(nom, 7, typeLigne("CONTINUOUS"));
}

Layer* Dessin::getCalque(const std::string& nom) const {
    auto it = calques_.find(nom);
    return it == calques_.end() ? nullptr : it->second;
}

std::list<std::string> Dessin::getCalques() const {
    std::list<std::string> noms;
    for (const auto& c : calques_) noms.push_back(c.first);
    return noms;
}

std::list<std::string> Dessin::getCalquesEteints() const {
    std::list<std::string> noms;
    for (const auto& c : calques_)
        if (c.second->isEteint()) noms.push_back(c.first);
    return noms;
}

Block& Dessin::bloc(const std::string& nom, int couleur, Layer& c, const TypeLigne& type) {
    auto it = blocs.find(nom);
    if (it != blocs.end()) return *it->second;
    Block& b = nouveau<Block>(nom, couleur, c, type, 0.0, 0.0);
    blocs.emplace(nom, &b);
    return b;
}

Block* Dessin::getBloc(const std::string& nom) const {
    auto it = blocs.find(nom);
    return it == blocs.end() ? nullptr : it->second;
}

void Dessin::ajouterStyle(const std::string& nom, const std::string& police) {
    polices[majuscules(nom)] = police;
}

const std::string& Dessin::policeDuStyle(const std::string& nom) const {
    static const std::string aucune;
    if (polices.empty()) return aucune;
    auto it = polices.find(majuscules(nom));
    return it == polices.end() ? aucune : it->second;
}

CalquesMasques::CalquesMasques(const Dessin& dessin, const std::list<std::string>& noms) {
    masquer(dessin, noms);
}

void CalquesMasques::masquer(const Dessin& dessin, const std::list<std::string>& noms) {
    if (noms.empty()) return;
    const std::unordered_set<std::string_view> cherches(noms.begin(), noms.end());
    const auto& calques = dessin.objets<Layer>();
    masques_.resize(calques.size(), false);
    for (const Layer& c : calques)
        if (cherches.count(c.nomRef()) != 0 && !masques_[c.getIndex()]) {
            masques_[c.getIndex()] = true;
            ++nombre_;
        }
}
