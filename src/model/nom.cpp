#include "model/nom.h"

#include <mutex>
#include <unordered_map>

#include "model/objects.h"

struct NomPartage::Entree {
    const std::string* nom = nullptr;
    long references = 0;
    bool continu = false;
    bool parCalque = false;
};

namespace {

struct Registre {
    std::mutex verrou;
    std::unordered_map<std::string, NomPartage::Entree> noms;
};

// Never destroyed: objects with static storage may outlive any other static.
Registre& registre() {
    static Registre* r = new Registre;
    return *r;
}

NomPartage::Entree* prendre(std::string_view nom) {
    Registre& r = registre();
    std::lock_guard<std::mutex> garde(r.verrou);
    auto [it, nouveau] = r.noms.try_emplace(std::string(nom));
    NomPartage::Entree& e = it->second;
    if (nouveau) {
        e.nom = &it->first;
        e.continu = memeNom(it->first, "CONTINUOUS");
        e.parCalque = memeNom(it->first, "BYLAYER");
    }
    ++e.references;
    return &e;
}

void rendre(NomPartage::Entree* e) {
    Registre& r = registre();
    std::lock_guard<std::mutex> garde(r.verrou);
    if (--e->references == 0) r.noms.erase(*e->nom);
}

void partager(NomPartage::Entree* e) {
    std::lock_guard<std::mutex> garde(registre().verrou);
    ++e->references;
}

}  // namespace

NomPartage::NomPartage(std::string_view nom) : entree_(prendre(nom)) {}

NomPartage::NomPartage(const NomPartage& autre) : entree_(autre.entree_) { partager(entree_); }

NomPartage& NomPartage::operator=(const NomPartage& autre) {
    if (entree_ != autre.entree_) {
        partager(autre.entree_);
        rendre(entree_);
        entree_ = autre.entree_;
    }
    return *this;
}

NomPartage::~NomPartage() { rendre(entree_); }

const std::string& NomPartage::str() const { return *entree_->nom; }
bool NomPartage::continu() const { return entree_->continu; }
bool NomPartage::parCalque() const { return entree_->parCalque; }
