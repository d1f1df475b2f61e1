#include "import/dxfhandler.h"

#include <algorithm>
#include <utility>

namespace {

// The most vertices reserved ahead for one polyline.
constexpr unsigned kSommetsAnnonces = 64;

}  // namespace

DXFHandler::DXFHandler(std::ostream& sortie) : DXFHandler(sortie, Options{}) {}

DXFHandler::DXFHandler(std::ostream& sortie, Options opts)
    : trace(sortie), options(opts), dessin(std::make_shared<Dessin>()) {
    blocCourant = &dessin->getBlocRoot();
}

DXFHandler::~DXFHandler() = default;

Layer& DXFHandler::calqueCourant() {
    const std::string nom = attributes.getLayer();
    if (dernierCalque && dernierCalque->nomRef() == nom) return *dernierCalque;
    // A layer that no LAYER record delivered is made on first use.
    dernierCalque = &dessin->calque(nom);
    return *dernierCalque;
}

const TypeLigne& DXFHandler::typeLigneCourant() {
    // dxflib already answers "BYLAYER" for an empty line type name.
    const std::string nom = attributes.getLinetype();
    if (!typeCourant || nom != typeCourant->getNom()) typeCourant = &dessin->typeLigne(nom);
    return *typeCourant;
}

void DXFHandler::printAttributes() {
    trace << "\tAttributes: Layer: " << attributes.getLayer() << ", Color: ";
    const int c = attributes.getColor();
    if (c == 256)
        trace << "BYLAYER";
    else if (c == 0)
        trace << "BYBLOCK";
    else
        trace << c;
    trace << ", Width: ";
    const int w = attributes.getWidth();
    if (w == -1)
        trace << "BYLAYER";
    else if (w == -2)
        trace << "BYBLOCK";
    else if (w == -3)
        trace << "DEFAULT";
    else
        trace << w;
    trace << ", lineType: " << typeLigneCourant().getNom();
    trace.finLigne();
    trace.finLigne();
}

void DXFHandler::addLayer(const DL_LayerData& data) {
    trace << "LAYER:\t" << data.name << ", flags:\t" << data.flags;
    trace.finLigne();
    printAttributes();
    dessin->ajouterCalque(data.name, attributes.getColor(), typeLigneCourant());
    dernierCalque = nullptr;
}

void DXFHandler::addBlock(const DL_BlockData& data) {
    trace << "BLOCK:\t" << data.name;
    trace.finLigne();
    trace << "\tbpx: " << data.bpx << ", bpy: " << data.bpy;
    trace.finLigne();
    trace << "\tflags:\t" << data.flags;
    trace.finLigne();
    printAttributes();
    // The definition may already exist: made by an insertion read before
    // it, or by an earlier BLOCK of the same name, whose entities stay.
    Block& b = dessin->bloc(data.name, attributes.getColor(), calqueCourant(), typeLigneCourant());
    b.setBasePoints(data.bpx, data.bpy);
    b.setDefini();
    blocCourant = &b;
}

void DXFHandler::endBlock() {
    trace << "Fin du bloc : " << blocCourant->nomRef();
    trace.finLigne();
    trace.finLigne();
    blocCourant = &dessin->getBlocRoot();
}

void DXFHandler::addPoint(const DL_PointData& data) {
    ++entitesRecues_;
    trace << "POINT:\t\t(" << data.x << ", " << data.y << ")";
    trace.finLigne();
    printAttributes();
    blocCourant->ajouter(dessin->nouveau<Point>(attributes.getColor(), calqueCourant(),
                                                typeLigneCourant(), data.x, data.y));
}

void DXFHandler::addLine(const DL_LineData& data) {
    ++entitesRecues_;
    trace << "LINE:\t\t(" << data.x1 << ", " << data.y1 << ") (" << data.x2 << ", " << data.y2
          << ")";
    trace.finLigne();
    printAttributes();
    blocCourant->ajouter(dessin->nouveau<Line>(attributes.getColor(), calqueCourant(),
                                               typeLigneCourant(), data.x1, data.y1, data.x2,
                                               data.y2));
}

void DXFHandler::addArc(const DL_ArcData& data) {
    ++entitesRecues_;
    trace << "ARC:\t\t(" << data.cx << ", " << data.cy << "), radius: " << data.radius
          << ", angle1: " << data.angle1 << ", angle2: " << data.angle2;
    trace.finLigne();
    printAttributes();
    blocCourant->ajouter(dessin->nouveau<Arc>(attributes.getColor(), calqueCourant(),
                                              typeLigneCourant(), data.cx, data.cy, data.radius,
                                              data.angle1, data.angle2));
}

void DXFHandler::addCircle(const DL_CircleData& data) {
    ++entitesRecues_;
    trace << "CIRCLE:\t\t(" << data.cx << ", " << data.cy << "), radius: " << data.radius;
    trace.finLigne();
    printAttributes();
    blocCourant->ajouter(dessin->nouveau<Circle>(
        attributes.getColor(), calqueCourant(), typeLigneCourant(), data.cx, data.cy, data.radius));
}

void DXFHandler::addPolyline(const DL_PolylineData& data) {
    ++entitesRecues_;
    trace << "POLYLINE, \tflags: " << data.flags;
    trace.finLigne();
    printAttributes();
    Polyline& polyline = dessin->nouveau<Polyline>(calqueCourant(), typeLigneCourant(), data.flags);
    // dxflib announces the vertex count of an LWPOLYLINE: room for them all
    // spares the doublings of the vertex list, which leave it a third empty
    // on average. The count comes from the file, and dxflib hands the last
    // one on to a POLYLINE, whose vertices are not announced, so it is
    // bounded.
    polyline.getPoints().reserve(std::min(data.number, kSommetsAnnonces));
    blocCourant->ajouter(polyline);
}

void DXFHandler::addVertex(const DL_VertexData& data) {
    trace << "VERTEX:\t\t(" << data.x << ", " << data.y << "), bulge: " << data.bulge;
    trace.finLigne();
    printAttributes();
    auto& polylines = blocCourant->getPolylines();
    // A vertex with no polyline to join is traced and dropped.
    if (polylines.empty()) return;
    polylines.back()->addPoint(dessin->nouveau<Point>(attributes.getColor(), calqueCourant(),
                                                      typeLigneCourant(), data.x, data.y));
}

void DXFHandler::addInsert(const DL_InsertData& data) {
    ++entitesRecues_;
    trace << "INSERT:\t" << data.name;
    trace.finLigne();
    trace << "\tipx: " << data.ipx << ", ipy: " << data.ipy;
    trace.finLigne();
    trace << "\tsx: " << data.sx << ", sy: " << data.sy << ", angle: " << data.angle;
    trace.finLigne();
    printAttributes();
    // The insertion refers to the definition of that name, whether it has
    // been read, comes later in the file, or never comes.
    Layer& calque = calqueCourant();
    const TypeLigne& type = typeLigneCourant();
    Block& definition = dessin->bloc(data.name, attributes.getColor(), calque, type);
    blocCourant->ajouter(dessin->nouveau<Insertion>(definition, attributes.getColor(), calque, type,
                                                    data.ipx, data.ipy, data.sx, data.sy,
                                                    data.angle));
}

void DXFHandler::addText(const DL_TextData& data) {
    ++entitesRecues_;
    trace << "TEXT:\t" << data.text;
    trace.finLigne();
    trace << "\tstyle: " << data.style << ", height: " << data.height
          << ", xScaleFactor: " << data.xScaleFactor;
    trace.finLigne();
    printAttributes();
    blocCourant->ajouter(dessin->nouveau<Text>(attributes.getColor(), calqueCourant(),
                                               typeLigneCourant(), data.ipx, data.ipy, data.text,
                                               data.style, data.height, data.xScaleFactor));
}

void DXFHandler::addImage(const DL_ImageData& data) {
    ++entitesRecues_;
    if (!options.images) return;
    trace << "IMAGE:\t" << data.ref << ", ipx : " << data.ipx << ", ipy : " << data.ipy
          << ", width : " << data.width << ", height : " << data.height;
    trace.finLigne();
    printAttributes();
    Image& image = dessin->nouveau<Image>(
        calqueCourant(), dessin->typeLigne("CONTINUOUS"), data.ref, data.ipx, data.ipy,
        static_cast<double>(data.width), static_cast<double>(data.height));
    auto fichier = fichiersImages.find(data.ref);
    if (fichier != fichiersImages.end()) image.setFile(fichier->second);
    images[data.ref].push_back(&image);
    blocCourant->ajouter(image);
}

void DXFHandler::linkImage(const DL_ImageDefData& data) {
    if (!options.images) return;
    trace << "DefImage:\t" << data.ref << ", file : " << data.file;
    trace.finLigne();
    printAttributes();
    fichiersImages[data.ref] = data.file;
    auto it = images.find(data.ref);
    if (it == images.end()) return;
    for (Image* image : it->second) image->setFile(data.file);
}
