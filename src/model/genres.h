// Lists of kinds of model objects, and what is built from them: the lists
// of a block, the stores of a drawing, a call per kind.
#pragma once

#include <deque>
#include <tuple>
#include <vector>

template <class... T>
struct ListeGenres {};

template <class L>
struct ListesDeT;
template <class... T>
struct ListesDeT<ListeGenres<T...>> {
    using type = std::tuple<std::vector<T*>...>;
};
// One vector of pointers per kind.
template <class L>
using ListesDe = typename ListesDeT<L>::type;

template <class L>
struct StocksDeT;
template <class... T>
struct StocksDeT<ListeGenres<T...>> {
    using type = std::tuple<std::deque<T>...>;
};
// One deque of objects per kind: addresses stay valid as objects are added.
template <class L>
using StocksDe = typename StocksDeT<L>::type;

template <class L1, class L2>
struct Concat;
template <class... A, class... B>
struct Concat<ListeGenres<A...>, ListeGenres<B...>> {
    using type = ListeGenres<A..., B...>;
};

// Calls f.template operator()<T>() for every kind T of the list, in order;
// in practice f is a generic lambda taking a null pointer of the kind.
template <class... T, class F>
void pourChaqueGenre(ListeGenres<T...>, F&& f) {
    (f(static_cast<T*>(nullptr)), ...);
}

// The rank of kind U in the list (from 0).
template <class U, class L>
struct RangGenre;
template <class U, class... T>
struct RangGenre<U, ListeGenres<U, T...>> {
    static constexpr unsigned valeur = 0;
};
template <class U, class V, class... T>
struct RangGenre<U, ListeGenres<V, T...>> {
    static constexpr unsigned valeur = 1 + RangGenre<U, ListeGenres<T...>>::valeur;
};

// Calls f with a null pointer of the kind of rank `rang` in the list;
// nothing for a rank past its end.
template <class... T, class F>
void pourGenre(ListeGenres<T...>, unsigned rang, F&& f) {
    unsigned i = 0;
    (void)((i++ == rang ? (f(static_cast<T*>(nullptr)), true) : false) || ...);
}
