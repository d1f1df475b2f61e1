#include "import/dxfhandler.h"

#include <algorithm>
#include <utility>

namespace {

// The most vertices reserved ahead for one polyline.
constexpr unsigned kSommetsAnnonces = 64;

}  // namespace

DXFHandler::DXFHandler(std::ostream& sortie) : DXFHandler(sortie, Options{}) {}

DXFHandler::DXFHandler(std::ostream& sortie, Options opts) : trace(sortie), options(opts) {
    calqueRoot = &reserve.nouveau<Layer>("__root__", 256, "CONTINUOUS");
    blocRoot = &reserve.nouveau<Block>("__root__", 256, *calqueRoot, "CONTINUOUS", 0.0, 0.0);
    blocCourant = blocRoot;
}

DXFHandler::~DXFHandler() = default;

std::list<std::string> DXFHandler::getCalques() const {
    std::list<std::string> noms;
    for (const auto& c : calques) noms.push_back(c.first);
    return noms;
}

Layer* DXFHandler::getCalque(const std::string& nom) const {
    auto it = calques.find(nom);
    return it == calques.end() ? nullptr : it->second;
}

Block* DXFHandler::getBloc(const std::string& nom) const {
    auto it = blocs.find(nom);
    return it == blocs.end() ? nullptr : it->second;
}

std::size_t DXFHandler::nombreObjets() const {
    return reserve.nombre<Layer>() + reserve.nombre<Block>() + reserve.nombre<Point>() +
           reserve.nombre<Line>() + reserve.nombre<Circle>() + reserve.nombre<Arc>() +
           reserve.nombre<Polyline>() + reserve.nombre<Text>() + reserve.nombre<Image>();
}

Layer& DXFHandler::calqueCourant() {
    const std::string& nom = attributes.getLayer();
    if (dernierCalque && dernierCalque->nomRef() == nom) return *dernierCalque;
    auto it = calques.find(nom);
    if (it == calques.end()) {
        // A layer that no LAYER record delivered: made on first use, so that
        // every entity has one and the layer can be listed and switched.
        it = calques.emplace(nom, &reserve.nouveau<Layer>(nom, 7, "CONTINUOUS")).first;
    }
    dernierCalque = it->second;
    return *dernierCalque;
}

const NomPartage& DXFHandler::typeLigneCourant() {
    // dxflib already answers "BYLAYER" for an empty line type name.
    const std::string nom = attributes.getLinetype();
    if (nom != typeCourant.str()) typeCourant = NomPartage(nom);
    return typeCourant;
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
    trace << ", lineType: " << typeLigneCourant().str();
    trace.finLigne();
    trace.finLigne();
}

void DXFHandler::addLayer(const DL_LayerData& data) {
    trace << "LAYER:\t" << data.name << ", flags:\t" << data.flags;
    trace.finLigne();
    printAttributes();
    Layer& calque = reserve.nouveau<Layer>(data.name, attributes.getColor(), typeLigneCourant());
    calques[data.name] = &calque;
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
    auto it = blocs.find(data.name);
    if (it != blocs.end()) {
        it->second->setBasePoints(data.bpx, data.bpy);
        blocCourant = it->second;
        return;
    }
    Block& b = reserve.nouveau<Block>(data.name, attributes.getColor(), calqueCourant(),
                                      typeLigneCourant(), data.bpx, data.bpy);
    blocs.emplace(data.name, &b);
    blocCourant = &b;
}

void DXFHandler::endBlock() {
    trace << "Fin du bloc : " << blocCourant->nomRef();
    trace.finLigne();
    trace.finLigne();
    blocCourant = blocRoot;
}

void DXFHandler::addPoint(const DL_PointData& data) {
    ++entitesRecues_;
    trace << "POINT:\t\t(" << data.x << ", " << data.y << ")";
    trace.finLigne();
    printAttributes();
    blocCourant->addPoint(reserve.nouveau<Point>(attributes.getColor(), calqueCourant(),
                                                 typeLigneCourant(), data.x, data.y));
}

void DXFHandler::addLine(const DL_LineData& data) {
    ++entitesRecues_;
    trace << "LINE:\t\t(" << data.x1 << ", " << data.y1 << ") (" << data.x2 << ", " << data.y2
          << ")";
    trace.finLigne();
    printAttributes();
    blocCourant->addLigne(reserve.nouveau<Line>(attributes.getColor(), calqueCourant(),
                                                typeLigneCourant(), data.x1, data.y1, data.x2,
                                                data.y2));
}

void DXFHandler::addArc(const DL_ArcData& data) {
    ++entitesRecues_;
    trace << "ARC:\t\t(" << data.cx << ", " << data.cy << "), radius: " << data.radius
          << ", angle1: " << data.angle1 << ", angle2: " << data.angle2;
    trace.finLigne();
    printAttributes();
    blocCourant->addArc(reserve.nouveau<Arc>(attributes.getColor(), calqueCourant(),
                                             typeLigneCourant(), data.cx, data.cy, data.radius,
                                             data.angle1, data.angle2));
}

void DXFHandler::addCircle(const DL_CircleData& data) {
    ++entitesRecues_;
    trace << "CIRCLE:\t\t(" << data.cx << ", " << data.cy << "), radius: " << data.radius;
    trace.finLigne();
    printAttributes();
    blocCourant->addCercle(reserve.nouveau<Circle>(
        attributes.getColor(), calqueCourant(), typeLigneCourant(), data.cx, data.cy, data.radius));
}

void DXFHandler::addPolyline(const DL_PolylineData& data) {
    ++entitesRecues_;
    trace << "POLYLINE, \tflags: " << data.flags;
    trace.finLigne();
    printAttributes();
    Polyline& polyline = reserve.nouveau<Polyline>(calqueCourant(), typeLigneCourant(), data.flags);
    // dxflib announces the vertex count of an LWPOLYLINE: room for them all
    // spares the doublings of the vertex list, which leave it a third empty
    // on average. The count comes from the file, and dxflib hands the last
    // one on to a POLYLINE, whose vertices are not announced, so it is
    // bounded.
    polyline.getPoints().reserve(std::min(data.number, kSommetsAnnonces));
    blocCourant->addPolyline(polyline);
}

void DXFHandler::addVertex(const DL_VertexData& data) {
    trace << "VERTEX:\t\t(" << data.x << ", " << data.y << "), bulge: " << data.bulge;
    trace.finLigne();
    printAttributes();
    auto& polylines = blocCourant->getPolylines();
    // A vertex with no polyline to join is traced and dropped.
    if (polylines.empty()) return;
    polylines.back()->addPoint(reserve.nouveau<Point>(attributes.getColor(), calqueCourant(),
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
    Block* instance;
    auto it = blocs.find(data.name);
    if (it != blocs.end()) {
        instance = &reserve.nouveau<Block>(*it->second);
        instance->setInsert(calqueCourant(), data.ipx, data.ipy, data.sx, data.sy, data.angle);
    } else {
        // Not defined yet: this placeholder becomes the definition, and the
        // BLOCK read later fills it in place.
        instance = &reserve.nouveau<Block>(data.name, attributes.getColor(), calqueCourant(),
                                           typeLigneCourant(), data.ipx, data.ipy, data.sx, data.sy,
                                           data.angle);
        blocs.emplace(data.name, instance);
    }
    blocCourant->addBloc(*instance);
}

void DXFHandler::addText(const DL_TextData& data) {
    ++entitesRecues_;
    trace << "TEXT:\t" << data.text;
    trace.finLigne();
    trace << "\tstyle: " << data.style << ", height: " << data.height
          << ", xScaleFactor: " << data.xScaleFactor;
    trace.finLigne();
    printAttributes();
    blocCourant->addTexte(reserve.nouveau<Text>(attributes.getColor(), calqueCourant(),
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
    Image& image =
        reserve.nouveau<Image>(calqueCourant(), data.ref, data.ipx, data.ipy,
                               static_cast<double>(data.width), static_cast<double>(data.height));
    auto fichier = fichiersImages.find(data.ref);
    if (fichier != fichiersImages.end()) image.setFile(fichier->second);
    images[data.ref].push_back(&image);
    blocCourant->addImage(image);
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
