#include "render/polices.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <glib.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <unordered_map>
#include <mutex>

#include "model/caracteres.h"

namespace {

struct Correspondance {
    const char* nom;
    const char* famille;
    bool gras, italique;
};

// SHX fonts by file name (without extension), and the face of similar look.
const Correspondance kShx[] = {
    {"monotxt", "monospace", false, false}, {"monotxt8", "monospace", false, false},
    {"romanc", "serif", false, false},      {"romand", "serif", false, false},
    {"romant", "serif", false, false},      {"complex", "serif", false, false},
    {"gothice", "serif", true, false},      {"gothicg", "serif", true, false},
    {"gothici", "serif", true, false},      {"italic", "serif", false, true},
    {"italicc", "serif", false, true},      {"italict", "serif", false, true},
    {"scriptc", "serif", false, true},      {"scripts", "serif", false, true},
    {"greekc", "serif", false, false},      {"cyrillic", "serif", false, false},
};

// Usual TrueType files by name, and their family.
const Correspondance kTrueType[] = {
    {"arial", "Arial", false, false},
    {"arialbd", "Arial", true, false},
    {"ariali", "Arial", false, true},
    {"arialbi", "Arial", true, true},
    {"arialn", "Arial Narrow", false, false},
    {"times", "Times New Roman", false, false},
    {"timesbd", "Times New Roman", true, false},
    {"timesi", "Times New Roman", false, true},
    {"cour", "Courier New", false, false},
    {"courbd", "Courier New", true, false},
    {"consola", "monospace", false, false},
    {"lucon", "monospace", false, false},
    {"verdana", "Verdana", false, false},
    {"tahoma", "Tahoma", false, false},
    {"calibri", "Calibri", false, false},
    {"segoeui", "Segoe UI", false, false},
    {"isocpeur", "sans-serif", false, false},
    {"isocteur", "sans-serif", false, false},
    {"simsun", "SimSun", false, false},
    {"msgothic", "MS Gothic", false, false},
};

std::string minuscules(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

// Names of the drawings map to faces; many names (every family fontconfig
// does not have among them) come to the same font file, which has one face.
// The faces are as many as the fonts of the machine in their styles; the
// names, which a drawing may give by the thousand, are forgotten past
// kNomsRetenus (their faces stay: painters hold them).
constexpr std::size_t kNomsRetenus = 4096;
struct Cache {
    std::mutex verrou;
    std::unordered_map<std::string, const Police*> noms;
    std::map<std::string, std::unique_ptr<Police>> polices;  // by font file and style
    cairo_font_options_t* options = nullptr;
};

Cache& cache() {
    static Cache* c = new Cache;  // never destroyed: painters may outlive statics
    return *c;
}

FcPattern* trouver(const ChoixPolice& choix) {
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(choix.famille.c_str()));
    FcPatternAddInteger(p, FC_WEIGHT, choix.gras ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(p, FC_SLANT, choix.italique ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult resultat;
    FcPattern* trouve = FcFontMatch(nullptr, p, &resultat);
    FcPatternDestroy(p);
    return trouve;
}

// What tells one face from another in a font matched: its file, its index
// there, and the emboldening or slant fontconfig adds.
std::string identiteFace(FcPattern* motif) {
    FcChar8* fichier = nullptr;
    int index = 0;
    FcBool gras = FcFalse;
    FcMatrix* matrice = nullptr;
    FcPatternGetString(motif, FC_FILE, 0, &fichier);
    FcPatternGetInteger(motif, FC_INDEX, 0, &index);
    FcPatternGetBool(motif, FC_EMBOLDEN, 0, &gras);
    const bool penche = FcPatternGetMatrix(motif, FC_MATRIX, 0, &matrice) == FcResultMatch &&
                        matrice && matrice->xy != 0;
    return std::string(fichier ? reinterpret_cast<const char*>(fichier) : "") + '|' +
           std::to_string(index) + (gras ? "|b" : "|") + (penche ? "i" : "");
}

// The face of a font matched (the pattern is given up).
std::unique_ptr<Police> creer(FcPattern* motif) {
    auto police = std::make_unique<Police>();
    police->face = cairo_ft_font_face_create_for_pattern(motif);
    FcPatternDestroy(motif);
    if (cairo_font_face_status(police->face) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(police->face);
        return nullptr;
    }
    cairo_matrix_t taille, identite;
    cairo_matrix_init_scale(&taille, kEmMesure, kEmMesure);
    cairo_matrix_init_identity(&identite);
    Cache& c = cache();
    if (!c.options) {
        c.options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(c.options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(c.options, CAIRO_HINT_STYLE_NONE);
    }
    police->mesure = cairo_scaled_font_create(police->face, &taille, &identite, c.options);
    if (cairo_scaled_font_status(police->mesure) != CAIRO_STATUS_SUCCESS) {
        cairo_scaled_font_destroy(police->mesure);
        cairo_font_face_destroy(police->face);
        return nullptr;
    }
    cairo_text_extents_t h;
    cairo_scaled_font_text_extents(police->mesure, "H", &h);
    if (h.height > 0) police->capitales = -h.y_bearing / kEmMesure;
    cairo_font_extents_t e;
    cairo_scaled_font_extents(police->mesure, &e);
    if (e.descent > 0) police->descente = e.descent / kEmMesure;
    return police;
}

}  // namespace

std::recursive_mutex& verrouGlyphes() {
    static auto* verrou = new std::recursive_mutex;  // never destroyed, as the cache
    return *verrou;
}

ChoixPolice choisirPolice(std::string_view nom) {
    const std::size_t barre = nom.find_last_of("/\\");
    if (barre != std::string_view::npos) nom.remove_prefix(barre + 1);
    const std::size_t point = nom.rfind('.');
    const std::string_view base = nom.substr(0, point);
    const std::string extension =
        point == std::string_view::npos ? "" : minuscules(nom.substr(point + 1));
    const std::string cle = minuscules(base);
    if (cle.empty()) return {"sans-serif"};
    // SHX files, also named without their extension.
    if (extension == "shx" || extension.empty()) {
        for (const auto& c : kShx)
            if (cle == c.nom) return {c.famille, c.gras, c.italique};
        for (const char* simple : {"txt", "simplex", "romans", "isocp", "isoct", "gdt"})
            if (cle == simple) return {"sans-serif"};
        if (extension == "shx") return {"sans-serif"};
    }
    if (extension.empty()) return {std::string(base)};  // a family name
    for (const auto& c : kTrueType)
        if (cle == c.nom) return {c.famille, c.gras, c.italique};
    return {std::string(base)};
}

const Police* obtenirPolice(const std::string& nom, bool gras, bool italique) {
    Cache& c = cache();
    const std::string cle = minuscules(nom) + (gras ? "|b" : "|") + (italique ? "i" : "");
    // A face new to the process is measured (its glyphs looked up).
    std::lock_guard<std::recursive_mutex> glyphes(verrouGlyphes());
    std::lock_guard<std::mutex> verrou(c.verrou);
    auto it = c.noms.find(cle);
    if (it != c.noms.end()) return it->second;
    ChoixPolice choix = choisirPolice(nom);
    choix.gras = choix.gras || gras;
    choix.italique = choix.italique || italique;
    // The face of the font matched, made once; with none, the default's.
    auto face = [&c](const ChoixPolice& k) -> const Police* {
        FcPattern* motif = trouver(k);
        if (!motif) return nullptr;
        auto [place, nouvelle] = c.polices.try_emplace(identiteFace(motif));
        if (nouvelle)
            place->second = creer(motif);
        else
            FcPatternDestroy(motif);
        return place->second.get();
    };
    const Police* police = face(choix);
    if (!police && choix.famille != "sans-serif") police = face({"sans-serif", gras, italique});
    if (c.noms.size() >= kNomsRetenus) c.noms.clear();
    return c.noms.emplace(cle, police).first->second;
}

void libererPolicesTextes() {
    Cache& c = cache();
    std::lock_guard<std::mutex> verrou(c.verrou);
    for (auto& p : c.polices) {
        if (!p.second) continue;
        cairo_scaled_font_destroy(p.second->mesure);
        cairo_font_face_destroy(p.second->face);
    }
    c.polices.clear();
    c.noms.clear();
    if (c.options) cairo_font_options_destroy(c.options);
    c.options = nullptr;
}

const MesureurCairo::Glyphe& MesureurCairo::glyphe(char32_t c) {
    auto it = glyphes_->find(c);
    if (it != glyphes_->end()) return it->second;
    std::lock_guard<std::recursive_mutex> verrou(verrouGlyphes());
    Glyphe g{0, 0};
    char utf8[8];
    const int n = g_unichar_to_utf8(static_cast<gunichar>(c), utf8);
    cairo_glyph_t* glyphes = nullptr;
    int nombre = 0;
    if (cairo_scaled_font_text_to_glyphs(police_->mesure, 0, 0, utf8, n, &glyphes, &nombre, nullptr,
                                         nullptr, nullptr) == CAIRO_STATUS_SUCCESS &&
        nombre == 1) {
        cairo_text_extents_t e;
        cairo_scaled_font_glyph_extents(police_->mesure, glyphes, 1, &e);
        g = {glyphes[0].index, e.x_advance / kEmMesure};
    }
    cairo_glyph_free(glyphes);
    return glyphes_->emplace(c, g).first->second;
}

void MesureurCairo::mesurer(const StyleCaracteres& style, std::string_view texte, Mesure& m) {
    if (!police_ || style.police != nom_ || style.gras != gras_ || style.italique != italique_) {
        nom_ = style.police;
        gras_ = style.gras;
        italique_ = style.italique;
        // Past kPolicesMax names, the default face.
        const std::string cle = nom_ + (gras_ ? "|b" : "|") + (italique_ ? "i" : "");
        if (noms_.size() < kPolicesMax) noms_.insert(cle);
        police_ = obtenirPolice(noms_.count(cle) ? nom_ : std::string(), gras_, italique_);
        glyphes_ = &parPolice_[police_];
    }
    m.glyphes.clear();
    m.avance = 0;
    m.police = police_;
    if (!police_) return;
    m.capitales = police_->capitales;
    m.descente = police_->descente;
    std::string propre;
    if (!estPeignable(texte)) {
        propre = textePeignable(texte);
        texte = propre;
    }
    // Glyph by glyph, each advance after the other (no kerning).
    double x = 0;
    for (const char* p = texte.data(); p < texte.data() + texte.size(); p = g_utf8_next_char(p)) {
        const Glyphe& g = glyphe(g_utf8_get_char(p));
        m.glyphes.push_back({g.index, x});
        x += g.avance;
    }
    m.avance = x;
}
