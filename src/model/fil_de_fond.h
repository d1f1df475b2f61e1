// One thread that does its owner's jobs, one at a time, away from the
// owner's thread (the window's: a reading, an export).
//
// A job is a `Tache` (what is asked, and the outcome written into it) done
// by the function given at construction, followed through a `Suivi` made
// anew for each job: a flag `annulation` that the function heeds (the job
// stops soon after it is set) and `part()`, the share done, 0 to 1. A job
// asked for stops the one under way and takes the place of one waiting; a
// job stopped is dropped, outside the lock. The outcome of a job that was
// not stopped is kept until taken, and `finie` is called (on the thread)
// once it is there.
#pragma once

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Lowers the calling thread below the window's, which must keep answering
// its events while the machine's cores work for it (threads it makes
// inherit it).
inline void abaisserPriorite() {
    constexpr int kPrioriteBasse = 10;
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kPrioriteBasse);
}

template <class Tache, class Suivi>
class FilDeFond {
  public:
    using Travail = std::function<void(Tache&, Suivi&)>;

    // `basse`: the thread runs below the caller's priority.
    FilDeFond(Travail travail, std::function<void()> finie, bool basse = false)
        : travail_(std::move(travail)), finie_(std::move(finie)) {
        fil_ = std::thread([this, basse] {
            if (basse) abaisserPriorite();
            boucle();
        });
    }
    // Stops the job under way and waits for the thread.
    ~FilDeFond() {
        {
            std::lock_guard<std::mutex> l(verrou_);
            arret_ = true;
            if (suivi_) suivi_->annulation = true;
        }
        reveil_.notify_all();
        fil_.join();
    }
    FilDeFond(const FilDeFond&) = delete;
    FilDeFond& operator=(const FilDeFond&) = delete;

    // Does `tache` from now on: the job under way is stopped, an outcome
    // not taken forgotten.
    void demander(std::unique_ptr<Tache> tache) {
        {
            std::lock_guard<std::mutex> l(verrou_);
            demande_ = std::move(tache);
            if (suivi_) suivi_->annulation = true;
            resultat_.reset();
        }
        reveil_.notify_all();
    }
    // Stops the job under way, if any, and forgets the one asked for and
    // an outcome not taken.
    void annuler() {
        std::lock_guard<std::mutex> l(verrou_);
        demande_.reset();
        if (suivi_) suivi_->annulation = true;
        resultat_.reset();
    }
    // Whether a job is asked for, runs (stopped or not), or has an outcome
    // not taken yet.
    bool enCours() const {
        std::lock_guard<std::mutex> l(verrou_);
        return demande_ || occupe_ || resultat_;
    }
    // Calls `f` with the Suivi of the job under way; false, and `f` not
    // called, when none runs or it is being stopped.
    template <class F>
    bool suivre(F&& f) const {
        std::lock_guard<std::mutex> l(verrou_);
        if (!occupe_ || !suivi_ || suivi_->annulation) return false;
        f(static_cast<const Suivi&>(*suivi_));
        return true;
    }
    // The share done of the job under way, 0 to 1; negative when none runs
    // or it is being stopped.
    double progression() const {
        double part = -1;
        suivre([&part](const Suivi& s) { part = s.part(); });
        return part;
    }
    // The outcome of the last job finished and not stopped, or null.
    std::unique_ptr<Tache> prendre() {
        std::lock_guard<std::mutex> l(verrou_);
        return std::move(resultat_);
    }
    // Waits until no job is asked for or runs.
    void attendre() {
        std::unique_lock<std::mutex> l(verrou_);
        libre_.wait(l, [this] { return !demande_ && !occupe_; });
    }

  private:
    void boucle() {
        std::unique_lock<std::mutex> l(verrou_);
        for (;;) {
            reveil_.wait(l, [this] { return arret_ || demande_; });
            if (arret_) return;
            std::unique_ptr<Tache> tache = std::move(demande_);
            const auto suivi = std::make_shared<Suivi>();
            suivi_ = suivi;
            occupe_ = true;
            l.unlock();
            travail_(*tache, *suivi);
            l.lock();
            occupe_ = false;
            if (suivi->annulation) {
                // Stopped: what it made is let go of outside the lock.
                l.unlock();
                tache.reset();
                l.lock();
            } else {
                resultat_ = std::move(tache);
                l.unlock();
                finie_();
                l.lock();
            }
            if (!demande_) libre_.notify_all();
        }
    }

    const Travail travail_;
    const std::function<void()> finie_;
    mutable std::mutex verrou_;
    std::condition_variable reveil_, libre_;
    std::unique_ptr<Tache> demande_;  // asked for, not started yet
    bool occupe_ = false;             // a job runs
    bool arret_ = false;
    std::unique_ptr<Tache> resultat_;
    // The job under way's, shared with it.
    std::shared_ptr<Suivi> suivi_;
    std::thread fil_;
};
