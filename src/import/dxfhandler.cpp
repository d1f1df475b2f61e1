#include "import/dxfhandler.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "import/enregistrements.h"
#include "model/multileader.h"

namespace {

// The most vertices reserved ahead for one polyline.
constexpr unsigned kSommetsAnnonces = 64;

// Sets the entry `i` of a vector that grows as needed, the new entries 0.
void poser(std::vector<double>& v, std::size_t i, double valeur) {
    if (v.size() <= i) v.resize(i + 1, 0.0);
    v[i] = valeur;
}

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

template <class T, class... A>
T& DXFHandler::ajouter(A&&... args) {
    T& e = dessin->nouveau<T>(std::forward<A>(args)...);
    ++entitesRecues_;
    appliquerAttributs(e);
    blocCourant->ajouter(e);
    tri_.noterEntite(*blocCourant, attributes.getHandle());
    return e;
}

void DXFHandler::appliquerAttributs(Entity& e) {
    if (attributes.isInPaperSpace()) e.setEspacePapier();
    const int rvb = attributes.getColor24();
    if (rvb >= 0) e.setCouleurVraie(static_cast<std::uint32_t>(rvb));
    const double echelle = attributes.getLinetypeScale();
    if (echelle != 1.0 && echelle > 0 && std::isfinite(echelle))
        dessin->setEchelleTypeLigne(e, echelle);
}

bool DXFHandler::extrusionInversee() {
    // The arbitrary axis algorithm turns the x axis of a plane whose normal
    // is within 1/64 of (0, 0, -1) into -x.
    const double* d = getExtrusion()->getDirection();
    return d[2] < 0 && std::fabs(d[0]) < 1.0 / 64 && std::fabs(d[1]) < 1.0 / 64;
}

void DXFHandler::processCodeValuePair(unsigned int code, const std::string& valeur) {
    const int c = static_cast<int>(code);
    if (c != 0 && c != 9) {
        if (garderPaires_) enregistrements_[courant_].ajouter(c, valeur);
        return;
    }
    // dxflib dispatches the record this pair ends once it has it.
    courant_ ^= 1;
    enregistrements_[courant_].commencer(valeur);
    // The kinds whose every field dxflib hands over: their pairs are not kept.
    const std::string_view genre = valeur;
    garderPaires_ = genre != "LINE" && genre != "ARC" && genre != "POINT" && genre != "INSERT" &&
                    genre != "SOLID" && genre != "SEQEND";
}

void DXFHandler::endSection() {
    tirets.clear();
    // The record just dispatched, when dxflib knows it not or drops it.
    const std::string_view genre = genreEnregistrement();
    if (genre == "WIPEOUT") {
        std::vector<PointPlan> contour = lireContourWipeout(paires());
        if (contour.size() > 2) {
            if (extrusionInversee())
                for (PointPlan& p : contour) p.x = -p.x;
            ajouter<Wipeout>(calqueCourant(), dessin->typeLigne("CONTINUOUS"), std::move(contour));
        }
    } else if (genre == "ATTDEF") {
        ajouterDefinitionAttribut();
    } else if (genre == "VERTEX" && polyligne && polyligne->isFacettes()) {
        ajouterFace(paires());
    } else if (genre == "MULTILEADER") {
        ajouterMultiLeader();
    } else if (genre == "LAYOUT" || genre == "VIEWPORT" || genre == "LAYER" ||
               genre == "LWPOLYLINE" || genre == "POLYLINE" || genre == "CIRCLE" ||
               genre == "ELLIPSE" || genre == "SPLINE") {
        lireEspacePapier();
    }
    if (genre == "BLOCK_RECORD" || genre == "STYLE") {
        auto& noms = genre == "STYLE" ? nomsStyles : nomsBlocs;
        std::string poignee, nom, presentation;
        for (const Paire& q : paires()) {
            if (q.code == 5) poignee = std::string(q.valeur);
            if (q.code == 2) nom = std::string(q.valeur);
            if (q.code == 340) presentation = std::string(q.valeur);
        }
        if (!poignee.empty()) noms[poignee] = nom;
        if (!presentation.empty()) blocsPresentations[presentation] = nom;
    } else if (genre == "SORTENTSTABLE") {
        tri_.lireTable(paires());
    } else if (genre == "DIMSTYLE") {
        // What the leaders of that style take: DIMASZ (41) and DIMSCALE
        // (40), the header's when it has none.
        const std::vector<Paire>& p = paires();
        for (const Paire& q : p)
            if (q.code == 2) {
                dessin->setTailleFleches(std::string(q.valeur),
                                         reelDe(p, 41, dessin->getTailleFlechesEntete()),
                                         reelDe(p, 40, 1));
                break;
            }
    }
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
    Layer& calque = dessin->ajouterCalque(data.name, attributes.getColor(), typeLigneCourant());
    // Off (a negative colour) or frozen (bit 1).
    if (attributes.getColor() < 0 || (data.flags & 1)) calque.setEteint();
    if (attributes.getColor24() >= 0)
        calque.setCouleurVraie(static_cast<std::uint32_t>(attributes.getColor24()));
    dernierCalque = nullptr;
}

void DXFHandler::addLinetypeDash(double longueur) { tirets.push_back(longueur); }

void DXFHandler::addLinetype(const DL_LinetypeData& data) {
    // dxflib hands the elements (49) while it reads the record, before the
    // record itself; shapes and texts of complex line types are left out,
    // their dashes kept.
    dessin->definirTypeLigne(data.name, tirets);
    tirets.clear();
}

void DXFHandler::setVariableDouble(const std::string& cle, double valeur, int) {
    if (!std::isfinite(valeur)) return;
    if (cle == "$LTSCALE" && valeur > 0)
        dessin->setEchelleTypesLigne(valeur);
    else if (cle == "$DIMASZ")
        dessin->setTailleFleches(valeur);
    else if (cle == "$DIMSCALE")
        dessin->setEchelleCotes(valeur);
    else if (cle == "$PDSIZE")
        dessin->setTaillePoints(valeur);
}

void DXFHandler::setVariableInt(const std::string& cle, int valeur, int) {
    if (cle == "$PDMODE") dessin->setModePoints(valeur);
    if (cle == "$INSUNITS") dessin->setUnites(valeur);
    if (cle == "$LUPREC") dessin->setPrecision(valeur);
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
    polyligne = nullptr;
}

void DXFHandler::endBlock() {
    trace << "Fin du bloc : " << blocCourant->nomRef();
    trace.finLigne();
    trace.finLigne();
    blocCourant = &dessin->getBlocRoot();
    insertionAttributs = nullptr;
    polyligne = nullptr;
}

void DXFHandler::addPoint(const DL_PointData& data) {
    trace << "POINT:\t\t(" << data.x << ", " << data.y << ")";
    trace.finLigne();
    printAttributes();
    ajouter<Point>(attributes.getColor(), calqueCourant(), typeLigneCourant(), data.x, data.y);
}

void DXFHandler::addLine(const DL_LineData& data) {
    trace << "LINE:\t\t(" << data.x1 << ", " << data.y1 << ") (" << data.x2 << ", " << data.y2
          << ")";
    trace.finLigne();
    printAttributes();
    ajouter<Line>(attributes.getColor(), calqueCourant(), typeLigneCourant(), data.x1, data.y1,
                  data.x2, data.y2);
}

void DXFHandler::addArc(const DL_ArcData& data) {
    trace << "ARC:\t\t(" << data.cx << ", " << data.cy << "), radius: " << data.radius
          << ", angle1: " << data.angle1 << ", angle2: " << data.angle2;
    trace.finLigne();
    printAttributes();
    // Seen from below, the arc runs the other way round the mirrored centre.
    if (extrusionInversee())
        ajouter<Arc>(attributes.getColor(), calqueCourant(), typeLigneCourant(), -data.cx, data.cy,
                     data.radius, 180.0 - data.angle2, 180.0 - data.angle1);
    else
        ajouter<Arc>(attributes.getColor(), calqueCourant(), typeLigneCourant(), data.cx, data.cy,
                     data.radius, data.angle1, data.angle2);
}

void DXFHandler::addCircle(const DL_CircleData& data) {
    trace << "CIRCLE:\t\t(" << data.cx << ", " << data.cy << "), radius: " << data.radius;
    trace.finLigne();
    printAttributes();
    ajouter<Circle>(attributes.getColor(), calqueCourant(), typeLigneCourant(),
                    extrusionInversee() ? -data.cx : data.cx, data.cy, data.radius);
}

void DXFHandler::addPolyline(const DL_PolylineData& data) {
    trace << "POLYLINE, \tflags: " << data.flags;
    trace.finLigne();
    printAttributes();
    Polyline& polyline =
        ajouter<Polyline>(calqueCourant(), typeLigneCourant(), data.flags, attributes.getColor());
    // dxflib announces the vertex count of an LWPOLYLINE: room for them all
    // spares the doublings of the vertex list, which leave it a third empty
    // on average. The count comes from the file, and dxflib hands the last
    // one on to a POLYLINE, whose vertices are not announced, so it is
    // bounded.
    polyline.getPoints().reserve(std::min(data.number, kSommetsAnnonces));
    polyligne = &polyline;
    // The vertices of 3D polylines and meshes are in world coordinates;
    // those of plane ones in the plane of the extrusion.
    polyligneMiroir = extrusionInversee() && (data.flags & (8 | 16 | 64)) == 0;
    largeurDebut = largeurFin = 0;
    if (polyline.isMaillage()) {
        details(polyline).m = static_cast<int>(data.m);
        details(polyline).n = static_cast<int>(data.n);
    }
    const std::vector<Paire>& p = paires();
    if (genreEnregistrement() != "LWPOLYLINE") {
        // A POLYLINE: the widths its vertices take unless they say theirs.
        largeurDebut = reelDe(p, 40, 0);
        largeurFin = reelDe(p, 41, 0);
        return;
    }
    // An LWPOLYLINE: the widths of each vertex follow its coordinates; the
    // constant width serves those that have none.
    const double constante = reelDe(p, 43, 0);
    std::vector<double> largeurs;
    long sommet = -1;
    bool variable = false;
    for (const Paire& q : p) {
        if (q.code == 10) {
            ++sommet;
            poser(largeurs, 2 * static_cast<std::size_t>(sommet) + 1, constante);
            largeurs[2 * static_cast<std::size_t>(sommet)] = constante;
        } else if ((q.code == 40 || q.code == 41) && sommet >= 0) {
            largeurs[2 * static_cast<std::size_t>(sommet) + (q.code - 40)] = reelDxflib(q.valeur);
            variable = true;
        }
    }
    if (constante != 0 || variable) details(polyline).largeurs = std::move(largeurs);
}

DetailsPolyligne& DXFHandler::details(Polyline& p) {
    if (!p.getDetails()) p.setDetails(dessin->nouveau<DetailsPolyligne>());
    return *p.getDetails();
}

void DXFHandler::ajouterFace(const std::vector<Paire>& p) {
    // A face record: bit 128 without bit 64 (those are the vertices).
    const int flags = entierDe(p, 70, 0);
    if (!(flags & 128) || (flags & 64)) return;
    std::array<int, 4> face{};
    for (const Paire& q : p)
        if (q.code >= 71 && q.code <= 74)
            face[static_cast<std::size_t>(q.code - 71)] = entierDxflib(q.valeur);
    details(*polyligne).faces.push_back(face);
}

void DXFHandler::addVertex(const DL_VertexData& data) {
    trace << "VERTEX:\t\t(" << data.x << ", " << data.y << "), bulge: " << data.bulge;
    trace.finLigne();
    printAttributes();
    auto& polylines = blocCourant->getPolylines();
    // A vertex with no polyline to join is traced and dropped.
    if (polylines.empty()) return;
    Polyline& p = *polylines.back();
    const bool miroir = &p == polyligne && polyligneMiroir;
    const std::size_t i = p.getPoints().size();
    Point& sommet = dessin->nouveau<Point>(attributes.getColor(), calqueCourant(),
                                           typeLigneCourant(), miroir ? -data.x : data.x, data.y);
    appliquerAttributs(sommet);
    p.addPoint(sommet);
    if (data.bulge != 0 && std::isfinite(data.bulge))
        poser(details(p).renflements, i, miroir ? -data.bulge : data.bulge);
    if (&p == polyligne && genreEnregistrement() == "VERTEX") {
        const std::vector<Paire>& q = paires();
        const double debut = reelDe(q, 40, largeurDebut), fin = reelDe(q, 41, largeurFin);
        if (debut != 0 || fin != 0 || (p.getDetails() && !p.getDetails()->largeurs.empty())) {
            poser(details(p).largeurs, 2 * i + 1, fin);
            details(p).largeurs[2 * i] = debut;
        }
    }
}

void DXFHandler::endSequence() {
    polyligne = nullptr;
    insertionAttributs = nullptr;
}

void DXFHandler::addInsert(const DL_InsertData& data) {
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
    Insertion& insertion = ajouter<Insertion>(definition, attributes.getColor(), calque, type,
                                              data.ipx, data.ipy, data.sx, data.sy, data.angle);
    if (extrusionInversee()) insertion.setMiroir();
    insertion.setReseau(data.cols, data.rows, data.colSp, data.rowSp);
    insertionAttributs = &insertion;
}

void DXFHandler::addText(const DL_TextData& data) {
    trace << "TEXT:\t" << data.text;
    trace.finLigne();
    trace << "\tstyle: " << data.style << ", height: " << data.height
          << ", xScaleFactor: " << data.xScaleFactor;
    trace.finLigne();
    printAttributes();
    ajouter<Text>(attributes.getColor(), calqueCourant(), typeLigneCourant(), data.ipx, data.ipy,
                  decodeur.decoder(data.text, false), data.style, data.height, data.xScaleFactor,
                  disposition(data));
}

// ---------------------------------------------------------------- texts

namespace {

// The rank of the last pair of that code in a record, -1 if none (dxflib
// keeps the last value of a code).
int rang(const std::vector<Paire>& p, int code) {
    for (std::size_t i = p.size(); i > 0; --i)
        if (p[i - 1].code == code) return static_cast<int>(i - 1);
    return -1;
}

double reelDernier(const std::vector<Paire>& p, int code, double defaut) {
    const int r = rang(p, code);
    return r < 0 ? defaut : reelDxflib(p[static_cast<std::size_t>(r)].valeur);
}

int entierDernier(const std::vector<Paire>& p, int code, int defaut) {
    const int r = rang(p, code);
    return r < 0 ? defaut : entierDxflib(p[static_cast<std::size_t>(r)].valeur);
}

std::string texteDernier(const std::vector<Paire>& p, int code) {
    const int r = rang(p, code);
    return r < 0 ? std::string() : std::string(p[static_cast<std::size_t>(r)].valeur);
}

}  // namespace

void DXFHandler::setVariableString(const std::string& key, const std::string& value, int) {
    if (key == "$ACADVER") decodeur.setVersion(value);
    if (key == "$DWGCODEPAGE") decodeur.setPageDeCode(value);
}

void DXFHandler::addTextStyle(const DL_StyleData& data) {
    dessin->ajouterStyle(data.name, data.primaryFontFile);
}

DispositionTexte DXFHandler::disposition(const DL_TextData& data) {
    DispositionTexte d;
    d.x2 = data.apx;
    d.y2 = data.apy;
    d.angle = data.angle;
    d.facteurLargeur = data.xScaleFactor;
    // dxflib's record leaves the oblique angle out.
    d.oblique = reelDernier(paires(), 51, 0) * kPi / 180;
    d.alignH = data.hJustification;
    d.alignV = data.vJustification;
    d.drapeaux = data.textGenerationFlags;
    return d;
}

void DXFHandler::addMTextChunk(const std::string& text) { morceauxMText += text; }

void DXFHandler::addMText(const DL_MTextData& data) {
    // The MTEXT's own pairs: those of an embedded object (its columns),
    // after 101 "Embedded Object", are not its geometry, though dxflib's
    // record takes their 10, 11, 40, 41, 71... as it reads on.
    std::vector<Paire> p = paires();
    const auto objet = std::find_if(p.begin(), p.end(), [](const Paire& q) {
        return q.code == 101 && q.valeur.substr(0, 15) == "Embedded Object";
    });
    const bool embarque = objet != p.end();
    p.erase(objet, p.end());
    DispositionTexte d;
    d.attachement = std::clamp(embarque ? entierDernier(p, 71, 1) : data.attachmentPoint, 1, 9);
    d.largeurCadre = embarque ? reelDernier(p, 41, 0) : data.width;
    d.interligne = embarque ? reelDernier(p, 44, 1) : data.lineSpacingFactor;
    // The rotation in degrees (50), or the direction of the x axis
    // (11/21): the last one given counts.
    if (rang(p, 11) > rang(p, 50))
        d.angle = std::atan2(reelDernier(p, 21, 0), reelDernier(p, 11, 1));
    else
        d.angle = reelDernier(p, 50, 0) * kPi / 180;
    morceauxMText += data.text;
    ajouter<MText>(attributes.getColor(), calqueCourant(), typeLigneCourant(),
                   embarque ? reelDernier(p, 10, 0) : data.ipx,
                   embarque ? reelDernier(p, 20, 0) : data.ipy,
                   decodeur.decoder(morceauxMText, true), data.style,
                   embarque ? reelDernier(p, 40, 2.5) : data.height, 1.0, d);
    morceauxMText.clear();
}

void DXFHandler::addAttribute(const DL_AttributeData& data) {
    Attribut& a = dessin->nouveau<Attribut>(
        attributes.getColor(), calqueCourant(), typeLigneCourant(), data.ipx, data.ipy,
        decodeur.decoder(data.text, false), data.style, data.height, disposition(data),
        entierDernier(paires(), 70, 0), false);
    ++entitesRecues_;
    appliquerAttributs(a);
    // Attributes follow their insertion, in the same space as it.
    if (insertionAttributs)
        insertionAttributs->addAttribut(a);
    else {
        blocCourant->ajouter(a);
        tri_.noterEntite(*blocCourant, attributes.getHandle());
    }
}

void DXFHandler::ajouterDefinitionAttribut() {
    // dxflib delivers no ATTDEF: read from its pairs.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Paire>& e = paires();
    DL_TextData data(reelDernier(e, 10, 0), reelDernier(e, 20, 0), 0, reelDernier(e, 11, nan),
                     reelDernier(e, 21, nan), 0, reelDernier(e, 40, 2.5), reelDernier(e, 41, 1),
                     entierDernier(e, 71, 0), entierDernier(e, 72, 0), entierDernier(e, 74, 0),
                     texteDernier(e, 1), texteDernier(e, 7), reelDernier(e, 50, 0) * kPi / 180);
    const Attribut& a =
        ajouter<Attribut>(attributes.getColor(), calqueCourant(), typeLigneCourant(), data.ipx,
                          data.ipy, decodeur.decoder(data.text, false), data.style, data.height,
                          disposition(data), entierDernier(e, 70, 0), true);
    definitionsAttributs[texteDernier(e, 5)] = {&a, entierDernier(e, 70, 0)};
}

void DXFHandler::ajouterMultiLeader() {
    LectureMultiLeader l;
    lireMultiLeader(paires(), l);
    Layer& calque = calqueCourant();
    const TypeLigne& type = typeLigneCourant();
    int indice;
    std::uint32_t rvb;
    const bool vraie = couleurComposee(l.couleurLignes, indice, rvb);
    MultiLeader& m = ajouter<MultiLeader>(attributes.getColor(), calque, type, indice);
    if (vraie) m.getTraits().setCouleurVraie(rvb);
    m.getBranches() = std::move(l.branches);
    m.setGenreLignes(l.genreLignes);
    m.setPalier(l.palier);
    // Blocks named by a handle that no BLOCK_RECORD gave are left out.
    auto bloc = [&](const std::string& poignee) -> Block* {
        const auto nom = nomsBlocs.find(poignee);
        if (nom == nomsBlocs.end() || nom->second.empty()) return nullptr;
        return &dessin->bloc(nom->second, attributes.getColor(), calque, type);
    };
    m.setFleche(l.tailleFleche, l.blocFleche.empty() ? nullptr : bloc(l.blocFleche));
    if (l.aTexte && !l.texte.empty() && l.hauteurTexte > 0) {
        DispositionTexte d;
        d.attachement = std::clamp(l.attachement, 1, 9);
        d.largeurCadre = l.largeurTexte;
        d.interligne = l.interligne;
        const PointPlan& x = l.directionTexte;
        d.angle = x.x != 0 || x.y != 0 ? std::atan2(x.y, x.x) : l.rotationTexte;
        const auto style = nomsStyles.find(l.style);
        const bool texteVrai = couleurComposee(l.couleurTexte, indice, rvb);
        MText& t = dessin->nouveau<MText>(indice, calque, type, l.positionTexte.x,
                                          l.positionTexte.y, decodeur.decoder(l.texte, true),
                                          style == nomsStyles.end() ? "" : style->second,
                                          l.hauteurTexte, 1.0, d);
        if (texteVrai) t.setCouleurVraie(rvb);
        m.setTexte(t);
    }
    Block* contenu = l.aBloc ? bloc(l.bloc) : nullptr;
    if (!contenu) return;
    const bool blocVrai = couleurComposee(l.couleurBloc, indice, rvb);
    Insertion& i = dessin->nouveau<Insertion>(*contenu, indice, calque, type, l.positionBloc.x,
                                              l.positionBloc.y, l.echelleBloc.x, l.echelleBloc.y,
                                              l.rotationBloc * 180 / kPi);
    if (blocVrai) i.setCouleurVraie(rvb);
    // Its attributes, placed as those of an insertion, with the texts the
    // multileader gives them.
    for (const auto& [poignee, texte] : l.attributs) {
        const auto def = definitionsAttributs.find(poignee);
        if (def == definitionsAttributs.end()) continue;
        const Attribut& a = *def->second.first;
        double x, y, taille;
        DispositionTexte d;
        placerAttribut(a, i, x, y, taille, d);
        Attribut& porte = dessin->nouveau<Attribut>(a.getCouleurBrute(), calque, type, x, y,
                                                    decodeur.decoder(texte, false), a.getStyle(),
                                                    taille, d, def->second.second & 1, false);
        if (a.hasCouleurVraie()) porte.setCouleurVraie(a.getCouleurVraie());
        i.addAttribut(porte);
    }
    m.setBloc(i);
}

void DXFHandler::addImage(const DL_ImageData& data) {
    if (!options.images) return;
    trace << "IMAGE:\t" << data.ref << ", ipx : " << data.ipx << ", ipy : " << data.ipy
          << ", width : " << data.width << ", height : " << data.height;
    trace.finLigne();
    printAttributes();
    Image& image =
        ajouter<Image>(calqueCourant(), dessin->typeLigne("CONTINUOUS"), data.ref, data.ipx,
                       data.ipy, static_cast<double>(data.width), static_cast<double>(data.height));
    image.setVecteurs(data.ux, data.uy, data.vx, data.vy);
    auto fichier = fichiersImages.find(data.ref);
    if (fichier != fichiersImages.end()) image.setFile(fichier->second);
    images[data.ref].push_back(&image);
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

void DXFHandler::addEllipse(const DL_EllipseData& data) {
    ajouter<Ellipse>(attributes.getColor(), calqueCourant(), typeLigneCourant(), data.cx, data.cy,
                     data.mx, data.my, data.ratio, data.angle1, data.angle2,
                     getExtrusion()->getDirection()[2] >= 0);
}

void DXFHandler::addSpline(const DL_SplineData& data) {
    spline = &ajouter<Spline>(attributes.getColor(), calqueCourant(), typeLigneCourant(),
                              static_cast<int>(data.degree), data.flags);
}

void DXFHandler::addControlPoint(const DL_ControlPointData& data) {
    if (spline) spline->addControle(data.x, data.y, data.w);
}

void DXFHandler::addFitPoint(const DL_FitPointData& data) {
    if (spline) spline->addAjuste(data.x, data.y);
}

void DXFHandler::addKnot(const DL_KnotData& data) {
    if (spline) spline->addNoeud(data.k);
}

void DXFHandler::addSolid(const DL_SolidData& data) {
    const double sens = extrusionInversee() ? -1 : 1;
    const PointPlan coins[4] = {{sens * data.x[0], data.y[0]},
                                {sens * data.x[1], data.y[1]},
                                {sens * data.x[2], data.y[2]},
                                {sens * data.x[3], data.y[3]}};
    ajouter<Solid>(attributes.getColor(), calqueCourant(), typeLigneCourant(), coins);
}

void DXFHandler::addTrace(const DL_TraceData& data) {
    // Drawn like a SOLID (dxflib gives both the same record).
    addSolid(data);
}

void DXFHandler::add3dFace(const DL_3dFaceData& data) {
    const PointPlan coins[4] = {{data.x[0], data.y[0]},
                                {data.x[1], data.y[1]},
                                {data.x[2], data.y[2]},
                                {data.x[3], data.y[3]}};
    ajouter<Face3D>(attributes.getColor(), calqueCourant(), typeLigneCourant(), coins,
                    entierDe(paires(), 70, 0));
}

void DXFHandler::addLeader(const DL_LeaderData& data) {
    // The arrowhead's size is its dimension style's (group 3).
    std::string style;
    for (const Paire& p : paires())
        if (p.code == 3) style = std::string(p.valeur);
    const double fleche = data.arrowHeadFlag == 1 ? dessin->getTailleFleches(style) : 0;
    leader = &ajouter<Leader>(attributes.getColor(), calqueCourant(), typeLigneCourant(), fleche,
                              data.leaderPathType == 1);
}

void DXFHandler::addLeaderVertex(const DL_LeaderVertexData& data) {
    if (leader) leader->addSommet(data.x, data.y);
}

void DXFHandler::addHatch(const DL_HatchData&) {
    // dxflib's loops and edges leave out bulges, and take the seed points
    // of a polyline boundary for vertices: the record is read from its pairs.
    const std::vector<Paire>& p = paires();
    Hatch& h = ajouter<Hatch>(attributes.getColor(), calqueCourant(), typeLigneCourant(),
                              entierDe(p, 70, 0) == 1);
    if (lireHachure(p, h) > 0 && !signaleContourOuvert) {
        signaleContourOuvert = true;
        *erreurs_ << "Hachures : un contour qui ne se ferme pas est ferme par un segment droit."
                  << std::endl;
    }
    if (!extrusionInversee()) return;
    h.setMiroir();
    std::vector<LigneMotif> lignes = h.getMotif();
    for (LigneMotif& l : lignes) {
        l.angle = kPi - l.angle;
        l.x = -l.x;
        l.dx = -l.dx;
    }
    h.setMotif(std::move(lignes));
}

void DXFHandler::ajouterDimension() {
    // The block that shows the dimension (group 2), usually anonymous.
    std::string nom;
    for (const Paire& p : paires())
        if (p.code == 2) {
            nom = std::string(p.valeur);
            break;
        }
    if (nom.empty()) return;
    Layer& calque = calqueCourant();
    const TypeLigne& type = typeLigneCourant();
    Block& bloc = dessin->bloc(nom, attributes.getColor(), calque, type);
    ajouter<Dimension>(bloc, attributes.getColor(), calque, type);
}

void DXFHandler::addDimAlign(const DL_DimensionData&, const DL_DimAlignedData&) {
    ajouterDimension();
}
void DXFHandler::addDimLinear(const DL_DimensionData&, const DL_DimLinearData&) {
    ajouterDimension();
}
void DXFHandler::addDimRadial(const DL_DimensionData&, const DL_DimRadialData&) {
    ajouterDimension();
}
void DXFHandler::addDimDiametric(const DL_DimensionData&, const DL_DimDiametricData&) {
    ajouterDimension();
}
void DXFHandler::addDimAngular(const DL_DimensionData&, const DL_DimAngular2LData&) {
    ajouterDimension();
}
void DXFHandler::addDimAngular3P(const DL_DimensionData&, const DL_DimAngular3PData&) {
    ajouterDimension();
}
void DXFHandler::addDimOrdinate(const DL_DimensionData&, const DL_DimOrdinateData&) {
    ajouterDimension();
}
