// Owner of every object of one drawing's model.
//
// Objects are built in place in deques, so their addresses stay valid while
// others are added, they cost no heap allocation each, and all of them are
// released together when the reserve is destroyed. Blocks share their
// contents, so the blocks' lists never own anything: the reserve does.
#pragma once

#include <cstddef>
#include <deque>
#include <tuple>
#include <utility>

#include "model/objects.h"

class Reserve {
  public:
    Reserve() = default;
    Reserve(const Reserve&) = delete;
    Reserve& operator=(const Reserve&) = delete;

    template <class T, class... A>
    T& nouveau(A&&... args) {
        auto& d = std::get<std::deque<T>>(stock_);
        d.emplace_back(std::forward<A>(args)...);
        return d.back();
    }

    template <class T>
    std::size_t nombre() const {
        return std::get<std::deque<T>>(stock_).size();
    }

  private:
    std::tuple<std::deque<Layer>, std::deque<Block>, std::deque<Point>, std::deque<Line>,
               std::deque<Circle>, std::deque<Arc>, std::deque<Polyline>, std::deque<Text>,
               std::deque<Image>>
        stock_;
};
