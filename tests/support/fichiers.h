// Files, temporary folders and child processes for the tests.
#pragma once

#include <string>
#include <vector>

// A fresh folder under /tmp, removed with its contents at destruction.
class DossierTemporaire {
  public:
    DossierTemporaire();
    ~DossierTemporaire();
    const std::string& chemin() const { return chemin_; }
    // Writes `contenu` into the file `nom` of the folder; returns its path.
    std::string ecrire(const std::string& nom, const std::string& contenu) const;

  private:
    std::string chemin_;
};

std::string lireFichier(const std::string& chemin);

struct Execution {
    int statut = -1;  // exit status, or 128 + signal
    std::string sortie;
    std::string erreurs;
};

// A program started in `dossier` with its arguments, standard input empty,
// extra environment variables "NOM=valeur" added (a bare "NOM" removes the
// variable), its standard output and error gathered in files; killed at
// destruction if still running.
class Lancement {
  public:
    Lancement(const std::vector<std::string>& arguments, const std::string& dossier = ".",
              const std::vector<std::string>& environnement = {});
    ~Lancement();
    Lancement(const Lancement&) = delete;
    Lancement& operator=(const Lancement&) = delete;

    int pid() const { return pid_; }
    // Waits at most `secondes` for the end (then kills the program) and
    // returns its status and output.
    Execution attendre(int secondes = 60);

  private:
    DossierTemporaire sorties_;
    int pid_ = -1;
};

// Runs a program as Lancement does and waits at most `secondes` for it.
Execution executer(const std::vector<std::string>& arguments, const std::string& dossier = ".",
                   const std::vector<std::string>& environnement = {}, int secondes = 60);

// The path of a system tool, or empty.
std::string outil(const std::string& nom);

// Installs the build into the folder `prefixe` (cmake --install).
Execution installer(const std::string& prefixe);

// A PNG file's size and how many of its pixels are not white; all 0 when
// it cannot be read.
struct Png {
    int largeur = 0, hauteur = 0;
    long encres = 0;
};
Png lirePng(const std::string& chemin);

// Path of a program built with the project.
std::string programme(const std::string& nom);
// Path of a file of the source tree.
std::string source(const std::string& relatif);
