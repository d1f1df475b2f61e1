// The import handler: dxflib calls it back for every record of a DXF file;
// it writes a trace line for each and fills a drawing (Dessin). The handler
// owns the drawing until it hands it over (getDessin).
#pragma once

#include <dxflib/dl_creationadapter.h>

#include <iostream>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "import/codage.h"
#include "import/lecture.h"
#include "import/paires.h"
#include "import/tri_entites.h"
#include "model/dessin.h"
#include "model/trace.h"

class DXFHandler : public DL_CreationAdapter {
  public:
    using Options = OptionsImport;

    explicit DXFHandler(std::ostream& sortie = std::cout);
    DXFHandler(std::ostream& sortie, Options options);
    ~DXFHandler() override;
    DXFHandler(const DXFHandler&) = delete;
    DXFHandler& operator=(const DXFHandler&) = delete;

    // The drawing being filled, shared with whoever takes it.
    const std::shared_ptr<Dessin>& getDessin() const { return dessin; }
    Block* getBlocRoot() { return &dessin->getBlocRoot(); }
    // The layer names in ascending byte order.
    std::list<std::string> getCalques() const { return dessin->getCalques(); }
    // The layer of that name, or null.
    Layer* getCalque(const std::string& nom) const { return dessin->getCalque(nom); }
    // The block definition of that name, or null.
    Block* getBloc(const std::string& nom) const { return dessin->getBloc(nom); }
    std::size_t nombreObjets() const { return dessin->nombreObjets(); }
    // How many entities dxflib handed over (images ignored by the options
    // included).
    std::size_t entitesRecues() const { return entitesRecues_; }

    // Writes out the buffered trace lines (the end of an import).
    void viderTrace() { trace.vider(); }
    Trace& getTrace() { return trace; }

    void printAttributes();

    void addLayer(const DL_LayerData& data) override;
    void addBlock(const DL_BlockData& data) override;
    void endBlock() override;
    void addPoint(const DL_PointData& data) override;
    void addLine(const DL_LineData& data) override;
    void addArc(const DL_ArcData& data) override;
    void addCircle(const DL_CircleData& data) override;
    void addPolyline(const DL_PolylineData& data) override;
    void addVertex(const DL_VertexData& data) override;
    void endSequence() override;
    void addInsert(const DL_InsertData& data) override;
    void addText(const DL_TextData& data) override;
    void addTextStyle(const DL_StyleData& data) override;
    void addMTextChunk(const std::string& text) override;
    void addMText(const DL_MTextData& data) override;
    void addAttribute(const DL_AttributeData& data) override;
    void setVariableString(const std::string& key, const std::string& value, int code) override;
    void addImage(const DL_ImageData& data) override;
    void linkImage(const DL_ImageDefData& data) override;

    // The kinds that write no trace line: the table of line types, the
    // header's scales, and the entities below.
    void addLinetype(const DL_LinetypeData& data) override;
    void addLinetypeDash(double longueur) override;
    void setVariableDouble(const std::string& cle, double valeur, int code) override;
    void setVariableInt(const std::string& cle, int valeur, int code) override;
    void addEllipse(const DL_EllipseData& data) override;
    void addSpline(const DL_SplineData& data) override;
    void addControlPoint(const DL_ControlPointData& data) override;
    void addFitPoint(const DL_FitPointData& data) override;
    void addKnot(const DL_KnotData& data) override;
    void addSolid(const DL_SolidData& data) override;
    void addTrace(const DL_TraceData& data) override;
    void add3dFace(const DL_3dFaceData& data) override;
    void addLeader(const DL_LeaderData& data) override;
    void addLeaderVertex(const DL_LeaderVertexData& data) override;
    void addHatch(const DL_HatchData& data) override;
    void addDimAlign(const DL_DimensionData&, const DL_DimAlignedData&) override;
    void addDimLinear(const DL_DimensionData&, const DL_DimLinearData&) override;
    void addDimRadial(const DL_DimensionData&, const DL_DimRadialData&) override;
    void addDimDiametric(const DL_DimensionData&, const DL_DimDiametricData&) override;
    void addDimAngular(const DL_DimensionData&, const DL_DimAngular2LData&) override;
    void addDimAngular3P(const DL_DimensionData&, const DL_DimAngular3PData&) override;
    void addDimOrdinate(const DL_DimensionData&, const DL_DimOrdinateData&) override;
    // After every record dxflib has dispatched: the records dxflib does not
    // know (WIPEOUT, ATTDEF) or drops (the faces of a polyface mesh) are
    // read here, from their pairs.
    void endSection() override;
    // Every pair, before dxflib handles it: kept with its record.
    void processCodeValuePair(unsigned int code, const std::string& valeur) override;
    // Where what the import mends is said, once a file (by default the
    // standard error).
    void setErreurs(std::ostream& erreurs) { erreurs_ = &erreurs; }
    // Once the file is read: the painting order that its SORTENTSTABLE
    // objects give.
    void ordonnerSelonTables() { tri_.appliquer(*dessin, nomsBlocs); }

  private:
    // The placement of a TEXT or ATTRIB from dxflib's record and the pairs.
    DispositionTexte disposition(const DL_TextData& data);
    void ajouterDefinitionAttribut();

    // The layer named by the current attributes, created on first use.
    Layer& calqueCourant();
    const TypeLigne& typeLigneCourant();
    // Builds an entity with the current attributes, appends it to the block
    // being read and returns it.
    template <class T, class... A>
    T& ajouter(A&&... args);
    // What the current attributes say beyond layer, colour and line type:
    // true colour, paper space, line type scale.
    void appliquerAttributs(Entity& e);
    // Whether the current record's extrusion is (0, 0, -1): its plane seen
    // from below, x reversed.
    bool extrusionInversee();
    // The pairs of the record dxflib has just finished, and its kind (empty
    // when dxflib does not hand its pairs over).
    const std::vector<Paire>& paires() { return enregistrements_[courant_ ^ 1].paires(); }
    std::string_view genreEnregistrement() const {
        return enregistrements_[courant_ ^ 1].genre();
    }
    void ajouterDimension();
    void ajouterMultiLeader();
    void ajouterFace(const std::vector<Paire>& paires);
    // The records of paper space (presentations.cpp): layouts, viewports,
    // the polylines that may clip them, the layers they freeze by handle.
    void lireEspacePapier();
    // The polyline being read, its mirror and its default widths.
    DetailsPolyligne& details(Polyline& p);

    Trace trace;
    Options options;
    std::shared_ptr<Dessin> dessin;
    // Images by the handle of their image definition; several IMAGE
    // entities may share one definition.
    std::map<std::string, std::vector<Image*>> images;
    // Files of the image definitions read so far, by handle, for images
    // that come after their definition.
    std::map<std::string, std::string> fichiersImages;
    Block* blocCourant;
    Layer* dernierCalque = nullptr;
    const TypeLigne* typeCourant = nullptr;
    std::size_t entitesRecues_ = 0;

    Decodeur decodeur;
    // The pieces of the MTEXT being read.
    std::string morceauxMText;
    // The insertion whose attributes (ATTRIB) are being read.
    Insertion* insertionAttributs = nullptr;

    // The record dxflib is reading, and the one it has just finished.
    PairesEnregistrement enregistrements_[2];
    int courant_ = 0;  // the other one is finished
    bool garderPaires_ = true;

    // The polyline whose vertices are being read.
    Polyline* polyligne = nullptr;
    bool polyligneMiroir = false;
    double largeurDebut = 0, largeurFin = 0;
    std::size_t sommetsLus = 0;
    Spline* spline = nullptr;
    Leader* leader = nullptr;
    // The elements of the line type being read.
    std::vector<double> tirets;

    std::ostream* erreurs_ = &std::cerr;
    bool signaleContourOuvert = false;
    // What MULTILEADER records name by handle: block names (of the
    // BLOCK_RECORD table), text style names, attribute definitions and
    // their flags.
    std::unordered_map<std::string, std::string> nomsBlocs, nomsStyles;
    std::unordered_map<std::string, std::pair<const Attribut*, int>> definitionsAttributs;
    TablesDeTri tri_;
    // Layer names by handle (what viewports freeze), block names by the
    // handle of the layout their BLOCK_RECORD names (340).
    std::unordered_map<std::string, std::string> nomsCalques, blocsPresentations;
};
