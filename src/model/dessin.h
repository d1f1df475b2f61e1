// One drawing: the owner of the whole model of one DXF file.
//
// Every object is built in place in per-kind deques, so addresses stay valid
// while others are added, no object costs a heap allocation of its own, and
// the whole model is released with the drawing. Line type names are interned
// per drawing. The import fills a drawing; the windows, the renderer and the
// tests hold one.
#pragma once

#include <cstddef>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/objects.h"
#include "model/presentation.h"

class Dessin {
  public:
    // The kinds of object a drawing stores: the entities, their vertices
    // (points), and the tables.
    using GenresStockes =
        Concat<GenresEntites, ListeGenres<Layer, Block, TypeLigne, DetailsPolyligne>>::type;

    Dessin();
    ~Dessin();
    Dessin(const Dessin&) = delete;
    Dessin& operator=(const Dessin&) = delete;

    // Builds an object of kind T in the drawing's store.
    template <class T, class... A>
    T& nouveau(A&&... args) {
        auto& d = std::get<std::deque<T>>(stock);
        d.emplace_back(std::forward<A>(args)...);
        return d.back();
    }
    template <class T>
    std::size_t nombre() const {
        return std::get<std::deque<T>>(stock).size();
    }
    // Every object stored, vertices and tables included.
    std::size_t nombreObjets() const;
    // The objects of kind T, in the order they were made.
    template <class T>
    const std::deque<T>& objets() const {
        return std::get<std::deque<T>>(stock);
    }

    // The drawing's one line type of that name (made on first use).
    const TypeLigne& typeLigne(std::string_view nom);
    // The elements of the line type of that name in the LTYPE table (see
    // TypeLigne::setElements): given to every line type of that name,
    // without regard to case, made before or after.
    void definirTypeLigne(const std::string& nom, const std::vector<double>& elements);

    // The scale of every line type ($LTSCALE), and that of an entity of
    // its own (group 48), 1 when it has none.
    double getEchelleTypesLigne() const { return echelleTypesLigne; }
    void setEchelleTypesLigne(double e) { echelleTypesLigne = e; }
    double getEchelleTypeLigne(const Entity& e) const {
        return e.hasEchelleTypeLigne() ? echelleTypeLignePropre(e) : 1;
    }
    void setEchelleTypeLigne(Entity& e, double echelle);

    // How points are shown ($PDMODE): its figure (0 a dot, 1 none, 2 a
    // cross, 3 an oblique cross, 4 a tick upwards), plus 32 a circle and
    // plus 64 a square around it; and their size ($PDSIZE): above 0 in
    // drawing units, 0 for 5% of the height of the view, below 0 that many
    // percent of it.
    int getModePoints() const { return modePoints; }
    void setModePoints(int mode) { modePoints = mode; }
    double getTaillePoints() const { return taillePoints; }
    void setTaillePoints(double taille) { taillePoints = taille; }

    // The drawing's units ($INSUNITS: 0 none, 4 mm, 6 m, …) and the
    // decimals its lengths are shown with ($LUPREC, 0 to 8).
    int getUnites() const { return unites; }
    void setUnites(int u) {
        if (u >= 0 && u <= 20) unites = u;
    }
    int getPrecision() const { return precision; }
    void setPrecision(int p) {
        if (p >= 0 && p <= 8) precision = p;
    }

    // The size of arrowheads of a dimension style (its DIMASZ times its
    // DIMSCALE), or of the header ($DIMASZ times $DIMSCALE) for a style the
    // DIMSTYLE table does not hold.
    double getTailleFleches(const std::string& style) const;
    void setTailleFleches(double taille) { dimasz = taille; }
    double getTailleFlechesEntete() const { return dimasz; }
    void setEchelleCotes(double echelle) { dimscale = echelle; }
    void setTailleFleches(const std::string& style, double taille, double echelle);

    // Enters a layer under its name, replacing any layer of that name for
    // the objects made afterwards.
    Layer& ajouterCalque(const std::string& nom, int couleur, const TypeLigne& typeLigne);
    // The layer of that name, made on first use (colour 7, continuous) so
    // that every entity has one and the layer can be listed and switched.
    Layer& calque(const std::string& nom);
    Layer* getCalque(const std::string& nom) const;
    // The layer names in ascending byte order.
    std::list<std::string> getCalques() const;
    // The names of the layers off or frozen in the file, in the same order.
    std::list<std::string> getCalquesEteints() const;
    const std::map<std::string, Layer*>& calques() const { return calques_; }

    // The definition of the block of that name, made empty on first use (by
    // an insertion or by its BLOCK record).
    Block& bloc(const std::string& nom, int couleur, Layer& calque, const TypeLigne& typeLigne);
    Block* getBloc(const std::string& nom) const;

    // The root block ("__root__", on a layer of its own that is not listed):
    // the entities of the drawing itself.
    Block& getBlocRoot() { return *racine; }
    const Block& getBlocRoot() const { return *racine; }
    Layer& getCalqueRoot() { return *calqueRoot; }
    // The insertion of the root block at the origin where painting starts.
    const Insertion& getInsertionRacine() const { return *insertionRacine; }

    // Text styles (STYLE table): the font file a style names ("romans.shx",
    // "arial.ttf"), by style name without regard to ASCII case. A style
    // defined twice keeps the last definition.
    void ajouterStyle(const std::string& nom, const std::string& police);
    // The font of the style of that name; "" for a style never defined.
    const std::string& policeDuStyle(const std::string& nom) const;

    // Its layouts and viewports.
    EspacePapier& getEspacePapier() { return espacePapier; }
    const EspacePapier& getEspacePapier() const { return espacePapier; }

    // The folder of the file the drawing was read from ("" if none).
    const std::string& getDossier() const { return dossier; }
    void setDossier(std::string d) { dossier = std::move(d); }

  private:
    double echelleTypeLignePropre(const Entity& e) const;

    StocksDe<GenresStockes> stock;
    std::unordered_map<std::string_view, TypeLigne*> typesLigne;
    // LTYPE elements by upper-case name.
    std::unordered_map<std::string, std::vector<double>> elementsTypes;
    std::unordered_map<const Entity*, double> echellesTypeLigne;
    double echelleTypesLigne = 1;
    double dimasz = 2.5, dimscale = 1;
    int modePoints = 0;
    int unites = 0, precision = 4;
    double taillePoints = 0;
    std::unordered_map<std::string, double> flechesStyles;
    std::map<std::string, Layer*> calques_;
    std::unordered_map<std::string, Block*> blocs;
    Layer* calqueRoot;
    Block* racine;
    Insertion* insertionRacine;
    std::unordered_map<std::string, std::string> polices;  // by upper-case style name
    std::string dossier;
    EspacePapier espacePapier;
};

// Which layers of one drawing are hidden: a flag per layer, by its index in
// the drawing (Layer::getIndex), resolved once from a list of names so that
// the painters compare no names.
class CalquesMasques {
  public:
    // No layer hidden.
    CalquesMasques() = default;
    // The layers of `dessin` named in `noms` (every layer of such a name,
    // those replaced by a later definition too).
    CalquesMasques(const Dessin& dessin, const std::list<std::string>& noms);
    // Hides the layers of those names too.
    void masquer(const Dessin& dessin, const std::list<std::string>& noms);

    bool masque(const Layer& calque) const {
        const std::size_t i = calque.getIndex();
        return i < masques_.size() && masques_[i];
    }
    // Whether no layer is hidden.
    bool aucun() const { return nombre_ == 0; }

  private:
    std::vector<bool> masques_;
    std::size_t nombre_ = 0;
};
