// Line type names shared by every object that bears them.
//
// A drawing has a handful of line type names and millions of objects: each
// object keeps a pointer to one shared copy of its name instead of a string
// of its own. Copies are counted; a name no object bears any more is
// released. The two questions the painters ask of a line type (is it the
// continuous one, is it the by-layer one) are answered once per name.
#pragma once

#include <string>
#include <string_view>

class NomPartage {
  public:
    NomPartage(std::string_view nom = {});
    NomPartage(const std::string& nom) : NomPartage(std::string_view(nom)) {}
    NomPartage(const char* nom) : NomPartage(std::string_view(nom)) {}
    NomPartage(const NomPartage& autre);
    NomPartage& operator=(const NomPartage& autre);
    ~NomPartage();

    const std::string& str() const;
    // "CONTINUOUS", without regard to case.
    bool continu() const;
    // "BYLAYER", without regard to case.
    bool parCalque() const;

    struct Entree;

  private:
    Entree* entree_;
};
