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
#include <vector>

#include "import/codage.h"
#include "model/dessin.h"
#include "model/trace.h"

class DXFHandler : public DL_CreationAdapter {
  public:
    struct Options {
        // The earlier viewer ignores IMAGE entities and image definitions:
        // no trace line and nothing in the model.
        bool images = true;
    };

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
    void addInsert(const DL_InsertData& data) override;
    void addText(const DL_TextData& data) override;
    void addTextStyle(const DL_StyleData& data) override;
    void addMTextChunk(const std::string& text) override;
    void addMText(const DL_MTextData& data) override;
    void addAttribute(const DL_AttributeData& data) override;
    void endSequence() override;
    void setVariableString(const std::string& key, const std::string& value, int code) override;
    void processCodeValuePair(unsigned int groupCode, const std::string& groupValue) override;
    void endSection() override;
    void addImage(const DL_ImageData& data) override;
    void linkImage(const DL_ImageDefData& data) override;

  private:
    // The pairs of one record, as the file gives them: what dxflib's data
    // records leave out of texts (oblique angle, attribute flags, the order
    // of MTEXT's angle and direction) and the ATTDEF records, which dxflib
    // does not deliver. Only the records of texts are kept.
    class Enregistrement {
      public:
        void commencer(const std::string& type);
        void ajouter(int code, const std::string& valeur);
        const std::string& type() const { return type_; }
        bool garde() const { return garde_; }
        // The last value of that code (dxflib keeps the last one too).
        const std::string* valeur(int code) const;
        double reel(int code, double defaut) const;
        int entier(int code, int defaut) const;
        // The rank of the last pair of that code, -1 if none.
        int rang(int code) const;

      private:
        std::string type_;
        bool garde_ = false;
        std::vector<std::pair<int, std::string>> paires_;
        std::size_t nombre_ = 0;
    };

    // The placement of a TEXT or ATTRIB from dxflib's record and the pairs.
    DispositionTexte disposition(const DL_TextData& data) const;
    void ajouterDefinitionAttribut();

    // The layer named by the current attributes, created on first use.
    Layer& calqueCourant();
    const TypeLigne& typeLigneCourant();

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
    // The record being read, and the one dxflib is dispatching (the pairs
    // come before dxflib hands over the previous record, at the next group 0).
    Enregistrement enCours, precedent;
    // The pieces of the MTEXT being read.
    std::string morceauxMText;
    // The insertion whose attributes (ATTRIB) are being read.
    Insertion* insertionAttributs = nullptr;
};
