// Drawings read away from the caller's thread.
//
// A LectureDeFond owns one reading thread. Asked to read a file, it stops
// the reading in progress (which ends soon, and leaves nothing) and reads the
// new one into a drawing of its own, its import trace into a text that the
// caller takes, in whole lines and in order, as it grows (prendreTrace), so
// that it writes it where its other lines go, in the order of the readings.
// When a reading is over it calls `finie` (on the reading thread) and keeps
// the outcome until it is taken.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>

#include "import/lecture.h"
#include "model/fil_de_fond.h"

// A drawing read, and what was asked.
struct Lu {
    std::string chemin;
    // The caller's word for what the reading is for (an opening, a reload).
    int motif = 0;
    LectureDessin lecture;
};

class LectureDeFond {
  public:
    explicit LectureDeFond(std::function<void()> finie);
    LectureDeFond(const LectureDeFond&) = delete;
    LectureDeFond& operator=(const LectureDeFond&) = delete;

    // Reads the file at `chemin` from now on; a reading in progress is
    // stopped first.
    void lire(const std::string& chemin, int motif = 0);
    // Stops the reading in progress, if any, and forgets the one asked for.
    void annuler() { fil_.annuler(); }
    // Whether a reading is asked for, runs, or has an outcome not taken yet.
    bool enCours() const { return fil_.enCours(); }
    // The share of the file's bytes read by the reading in progress (0 to
    // 1); negative when none runs.
    double progression() const { return fil_.progression(); }
    // The import trace written since the last call, whole lines.
    std::string prendreTrace();
    // The outcome of the last reading finished and not stopped, or null.
    std::unique_ptr<Lu> prendre() { return fil_.prendre(); }

  private:
    // The import trace, kept for the caller under its own lock.
    class TamponTrace : public std::streambuf {
      public:
        std::string prendre();

      protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;

      private:
        std::mutex verrou_;
        std::string texte_;
    };

    TamponTrace tamponTrace_;
    std::ostream trace_{&tamponTrace_};
    // Last: its thread, which writes the trace, is stopped and waited for
    // first.
    FilDeFond<Lu, SuiviLecture> fil_;
};
