#include "import/dxfhandler.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
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
    insertionAttributs = nullptr;
}

void DXFHandler::endBlock() {
    trace << "Fin du bloc : " << blocCourant->nomRef();
    trace.finLigne();
    trace.finLigne();
    blocCourant = &dessin->getBlocRoot();
    insertionAttributs = nullptr;
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
    Insertion& insertion =
        dessin->nouveau<Insertion>(definition, attributes.getColor(), calque, type, data.ipx,
                                   data.ipy, data.sx, data.sy, data.angle);
    blocCourant->ajouter(insertion);
    insertionAttributs = &insertion;
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
                                               typeLigneCourant(), data.ipx, data.ipy,
                                               decodeur.decoder(data.text, false), data.style,
                                               data.height, data.xScaleFactor, disposition(data)));
}

// ---------------------------------------------------------------- texts

void DXFHandler::Enregistrement::commencer(const std::string& type) {
    type_ = type;
    garde_ = type == "TEXT" || type == "MTEXT" || type == "ATTRIB" || type == "ATTDEF";
    nombre_ = 0;
}

void DXFHandler::Enregistrement::ajouter(int code, const std::string& valeur) {
    if (!garde_) return;
    if (nombre_ < paires_.size()) {
        paires_[nombre_].first = code;
        paires_[nombre_].second = valeur;
    } else {
        paires_.emplace_back(code, valeur);
    }
    ++nombre_;
}

int DXFHandler::Enregistrement::rang(int code) const {
    for (std::size_t i = nombre_; i > 0; --i)
        if (paires_[i - 1].first == code) return static_cast<int>(i - 1);
    return -1;
}

const std::string* DXFHandler::Enregistrement::valeur(int code) const {
    const int r = rang(code);
    return r < 0 ? nullptr : &paires_[static_cast<std::size_t>(r)].second;
}

double DXFHandler::Enregistrement::reel(int code, double defaut) const {
    const std::string* v = valeur(code);
    if (!v || v->empty()) return defaut;
    std::string s = *v;
    std::replace(s.begin(), s.end(), ',', '.');
    return std::strtod(s.c_str(), nullptr);
}

int DXFHandler::Enregistrement::entier(int code, int defaut) const {
    const std::string* v = valeur(code);
    return v && !v->empty() ? static_cast<int>(std::strtol(v->c_str(), nullptr, 10)) : defaut;
}

void DXFHandler::processCodeValuePair(unsigned int groupCode, const std::string& groupValue) {
    // At a group 0, dxflib is about to hand over the record just read.
    if (groupCode == 0 || groupCode == 9) {
        std::swap(enCours, precedent);
        enCours.commencer(groupCode == 0 ? groupValue : std::string());
    } else {
        enCours.ajouter(static_cast<int>(groupCode), groupValue);
    }
}

void DXFHandler::setVariableString(const std::string& key, const std::string& value, int) {
    if (key == "$ACADVER") decodeur.setVersion(value);
    if (key == "$DWGCODEPAGE") decodeur.setPageDeCode(value);
}

void DXFHandler::addTextStyle(const DL_StyleData& data) {
    dessin->ajouterStyle(data.name, data.primaryFontFile);
}

DispositionTexte DXFHandler::disposition(const DL_TextData& data) const {
    constexpr double kDegre = 3.141592653589793 / 180;
    DispositionTexte d;
    d.x2 = data.apx;
    d.y2 = data.apy;
    d.angle = data.angle;
    d.facteurLargeur = data.xScaleFactor;
    d.oblique = precedent.reel(51, 0) * kDegre;
    d.alignH = data.hJustification;
    d.alignV = data.vJustification;
    d.drapeaux = data.textGenerationFlags;
    return d;
}

void DXFHandler::addMTextChunk(const std::string& text) { morceauxMText += text; }

void DXFHandler::addMText(const DL_MTextData& data) {
    constexpr double kDegre = 3.141592653589793 / 180;
    DispositionTexte d;
    d.attachement = std::clamp(data.attachmentPoint, 1, 9);
    d.largeurCadre = data.width;
    d.interligne = data.lineSpacingFactor;
    // The rotation in degrees (50), or the direction of the x axis
    // (11/21): the last one given counts.
    if (precedent.rang(11) > precedent.rang(50))
        d.angle = std::atan2(precedent.reel(21, 0), precedent.reel(11, 1));
    else
        d.angle = precedent.reel(50, 0) * kDegre;
    morceauxMText += data.text;
    blocCourant->ajouter(dessin->nouveau<MText>(
        attributes.getColor(), calqueCourant(), typeLigneCourant(), data.ipx, data.ipy,
        decodeur.decoder(morceauxMText, true), data.style, data.height, 1.0, d));
    morceauxMText.clear();
}

void DXFHandler::addAttribute(const DL_AttributeData& data) {
    Attribut& a = dessin->nouveau<Attribut>(
        attributes.getColor(), calqueCourant(), typeLigneCourant(), data.ipx, data.ipy,
        decodeur.decoder(data.text, false), data.style, data.height, disposition(data),
        precedent.entier(70, 0), false);
    // Attributes follow their insertion, in the same space as it.
    if (insertionAttributs)
        insertionAttributs->addAttribut(a);
    else
        blocCourant->ajouter(a);
}

void DXFHandler::endSequence() { insertionAttributs = nullptr; }

void DXFHandler::endSection() {
    // dxflib calls this after each record, its attributes set; it delivers
    // no ATTDEF.
    if (precedent.type() == "ATTDEF") ajouterDefinitionAttribut();
}

void DXFHandler::ajouterDefinitionAttribut() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Enregistrement& e = precedent;
    DL_TextData data(e.reel(10, 0), e.reel(20, 0), 0, e.reel(11, nan), e.reel(21, nan), 0,
                     e.reel(40, 2.5), e.reel(41, 1), e.entier(71, 0), e.entier(72, 0),
                     e.entier(74, 0), e.valeur(1) ? *e.valeur(1) : std::string(),
                     e.valeur(7) ? *e.valeur(7) : std::string(),
                     e.reel(50, 0) * 3.141592653589793 / 180);
    blocCourant->ajouter(dessin->nouveau<Attribut>(
        attributes.getColor(), calqueCourant(), typeLigneCourant(), data.ipx, data.ipy,
        decodeur.decoder(data.text, false), data.style, data.height, disposition(data),
        e.entier(70, 0), true));
    // Read once: the next record's pairs take its place.
    precedent.commencer(std::string());
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
