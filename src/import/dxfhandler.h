// The import handler: dxflib calls it back for every record of a DXF file;
// it writes a trace line for each and builds the drawing model. A handler owns
// the whole model of its drawing and releases it when it is destroyed.
#pragma once

#include <dxflib/dl_creationadapter.h>

#include <iostream>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "model/objects.h"
#include "model/reserve.h"
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

    Block* getBlocRoot() { return blocRoot; }
    // The layer names in ascending byte order.
    std::list<std::string> getCalques() const;
    // The layer of that name, or null.
    Layer* getCalque(const std::string& nom) const;
    // The block definition of that name, or null.
    Block* getBloc(const std::string& nom) const;
    std::size_t nombreObjets() const;
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
    void addImage(const DL_ImageData& data) override;
    void linkImage(const DL_ImageDefData& data) override;

  private:
    // The layer named by the current attributes, created on first use.
    Layer& calqueCourant();
    const NomPartage& typeLigneCourant();

    Trace trace;
    Options options;
    Reserve reserve;
    std::map<std::string, Layer*> calques;
    std::map<std::string, Block*> blocs;
    // Images by the handle of their image definition; several IMAGE
    // entities may share one definition.
    std::map<std::string, std::vector<Image*>> images;
    // Files of the image definitions read so far, by handle, for images
    // that come after their definition.
    std::map<std::string, std::string> fichiersImages;
    Layer* calqueRoot;
    Block* blocRoot;
    Block* blocCourant;
    Layer* dernierCalque = nullptr;
    NomPartage typeCourant;
    std::size_t entitesRecues_ = 0;
};
