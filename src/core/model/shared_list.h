#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace mosavelle {

// A list of values that copies cheaply and shares what it did not change. Both the list and each
// element are shared between copies and copied on the first write (copy-on-write), so copying a
// deck of 10,000 slides copies one pointer, and changing one slide of the copy copies the list of
// pointers and that one slide. The list behaves as a value: a write through one copy is never
// seen through another, and equality compares elements (elements that are the same shared
// object are equal without looking at them).
//
// Reads through a const list never copy anything. Writes (non-const operator[], at, front, back,
// mutable iteration) make the element written private to this list first; iterating a non-const
// list with a mutable reference therefore copies every element it visits, so code that only
// reads should read through a const reference, and code that changes a few elements should use
// edit(i).
//
// Thread-safety is that of a value: distinct lists (copies included) may be used from different
// threads at once; one list may be read from several threads while nobody writes it.
template <class T>
class SharedList {
    using Element = std::shared_ptr<T>;
    using Spine = std::vector<Element>;

    template <bool Mutable>
    class Iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using reference = std::conditional_t<Mutable, T&, const T&>;
        using pointer = std::conditional_t<Mutable, T*, const T*>;
        using Base =
            std::conditional_t<Mutable, typename Spine::iterator, typename Spine::const_iterator>;

        Iterator() = default;
        explicit Iterator(Base base) : base_(base) {}
        // A mutable iterator converts to a const one.
        operator Iterator<false>() const requires Mutable { return Iterator<false>(base_); }

        reference operator*() const {
            if constexpr (Mutable)
                return SharedList::own(*base_);
            else
                return **base_;
        }
        pointer operator->() const { return &**this; }
        reference operator[](difference_type n) const { return *(*this + n); }

        Iterator& operator++() { return ++base_, *this; }
        Iterator operator++(int) { return Iterator(base_++); }
        Iterator& operator--() { return --base_, *this; }
        Iterator operator--(int) { return Iterator(base_--); }
        Iterator& operator+=(difference_type n) { return base_ += n, *this; }
        Iterator& operator-=(difference_type n) { return base_ -= n, *this; }
        friend Iterator operator+(Iterator i, difference_type n) { return i += n; }
        friend Iterator operator+(difference_type n, Iterator i) { return i += n; }
        friend Iterator operator-(Iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const Iterator& a, const Iterator& b) {
            return a.base_ - b.base_;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.base_ == b.base_; }
        friend auto operator<=>(const Iterator& a, const Iterator& b) {
            return a.base_ <=> b.base_;
        }

        const Base& base() const { return base_; }

    private:
        Base base_{};
    };

public:
    using value_type = T;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;
    using iterator = Iterator<true>;
    using const_iterator = Iterator<false>;
    // One element as shared between lists; never changed while shared.
    using Handle = std::shared_ptr<const T>;

    SharedList() : spine_(emptySpine()) {}
    SharedList(std::initializer_list<T> values) : SharedList(values.begin(), values.end()) {}
    // From a vector of values, so that code building a plain vector can assign it.
    SharedList(const std::vector<T>& values) : SharedList(values.begin(), values.end()) {}
    SharedList(std::vector<T>&& values) : SharedList() {
        reserve(values.size());
        for (auto& value : values)
            push_back(std::move(value));
    }
    template <std::input_iterator It>
    SharedList(It first, It last) : SharedList() {
        for (; first != last; ++first)
            push_back(*first);
    }
    SharedList(const SharedList&) = default;
    SharedList(SharedList&& other) noexcept : spine_(std::move(other.spine_)) {
        other.spine_ = emptySpine();
    }
    SharedList& operator=(const SharedList&) = default;
    SharedList& operator=(SharedList&& other) noexcept {
        if (this != &other) {
            spine_ = std::move(other.spine_);
            other.spine_ = emptySpine();
        }
        return *this;
    }

    // --- Reading (never copies).
    size_type size() const { return spine_->size(); }
    bool empty() const { return spine_->empty(); }
    const T& operator[](size_type i) const { return *(*spine_)[i]; }
    const T& at(size_type i) const { return *spine_->at(i); }
    const T& front() const { return *spine_->front(); }
    const T& back() const { return *spine_->back(); }
    const_iterator begin() const { return const_iterator(spine_->cbegin()); }
    const_iterator end() const { return const_iterator(spine_->cend()); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    // The element at `i` as shared, for putting it into another list without copying it.
    Handle handle(size_type i) const { return (*spine_)[i]; }
    // True when both lists hold the very same element object at these positions.
    bool sameElement(size_type i, const SharedList& other, size_type j) const {
        return (*spine_)[i] == (*other.spine_)[j];
    }

    // --- Writing: the element written becomes private to this list.
    T& operator[](size_type i) { return own(ownSpine()[i]); }
    T& at(size_type i) { return own(ownSpine().at(i)); }
    T& front() { return own(ownSpine().front()); }
    T& back() { return own(ownSpine().back()); }
    T& edit(size_type i) { return (*this)[i]; }
    iterator begin() { return iterator(ownSpine().begin()); }
    iterator end() { return iterator(ownSpine().end()); }

    void reserve(size_type n) { ownSpine().reserve(n); }
    void clear() { spine_ = emptySpine(); }
    void push_back(const T& value) { ownSpine().push_back(std::make_shared<T>(value)); }
    void push_back(T&& value) { ownSpine().push_back(std::make_shared<T>(std::move(value))); }
    // Appends an element shared with another list.
    void push_back(Handle element) {
        ownSpine().push_back(std::const_pointer_cast<T>(std::move(element)));
    }
    void pop_back() { ownSpine().pop_back(); }
    // Exchanges two elements without copying them.
    void swapElements(size_type i, size_type j) {
        Spine& spine = ownSpine();
        std::swap(spine.at(i), spine.at(j));
    }
    iterator insert(const_iterator position, const T& value) {
        return insertElements(position, {std::make_shared<T>(value)});
    }
    iterator insert(const_iterator position, T&& value) {
        return insertElements(position, {std::make_shared<T>(std::move(value))});
    }
    template <std::input_iterator It>
    iterator insert(const_iterator position, It first, It last) {
        Spine added;
        for (; first != last; ++first)
            added.push_back(std::make_shared<T>(*first));
        return insertElements(position, std::move(added));
    }
    // Inserts every element of `other`, shared.
    iterator insert(const_iterator position, const SharedList& other) {
        return insertElements(position, Spine(other.spine_->begin(), other.spine_->end()));
    }
    iterator erase(const_iterator position) { return erase(position, position + 1); }
    iterator erase(const_iterator first, const_iterator last) {
        const auto from = first - cbegin();
        const auto to = last - cbegin();
        Spine& spine = ownSpine();
        return iterator(spine.erase(spine.begin() + from, spine.begin() + to));
    }
    // Removes the elements for which `predicate` (given a const T&) is true; returns how many.
    template <class Predicate>
    size_type removeIf(Predicate predicate) {
        if (std::none_of(begin_const(), end_const(), predicate))
            return 0;
        return std::erase_if(ownSpine(), [&](const Element& e) { return predicate(*e); });
    }
    // Reorders the list: element i of the result is element order[i] of this list (each position
    // taken once). Elements move without being copied.
    void permute(const std::vector<size_type>& order) {
        Spine reordered;
        reordered.reserve(order.size());
        for (size_type i : order)
            reordered.push_back((*spine_)[i]);
        spine_ = std::make_shared<Spine>(std::move(reordered));
    }

    friend bool operator==(const SharedList& a, const SharedList& b) {
        if (a.spine_ == b.spine_)
            return true;
        return std::equal(a.spine_->begin(), a.spine_->end(), b.spine_->begin(), b.spine_->end(),
                          [](const Element& x, const Element& y) { return x == y || *x == *y; });
    }

private:
    const_iterator begin_const() const { return begin(); }
    const_iterator end_const() const { return end(); }

    static const std::shared_ptr<Spine>& emptySpine() {
        // Shared by every empty list; never written, since it is always shared.
        static const std::shared_ptr<Spine> empty = std::make_shared<Spine>();
        return empty;
    }

    // Sole ownership is decided from the reference count. Another thread may drop its copy at
    // any time, which can only lower the count; the fence orders our writes after its reads.
    template <class P>
    static bool isShared(const std::shared_ptr<P>& p) {
        if (p.use_count() != 1)
            return true;
        std::atomic_thread_fence(std::memory_order_acquire);
        return false;
    }

    Spine& ownSpine() {
        if (isShared(spine_))
            spine_ = std::make_shared<Spine>(*spine_);
        return *spine_;
    }

    static T& own(Element& element) {
        if (isShared(element))
            element = std::make_shared<T>(std::as_const(*element));
        return *element;
    }

    iterator insertElements(const_iterator position, Spine added) {
        const auto at = position - cbegin();
        Spine& spine = ownSpine();
        return iterator(spine.insert(spine.begin() + at, std::make_move_iterator(added.begin()),
                                     std::make_move_iterator(added.end())));
    }

    std::shared_ptr<Spine> spine_;
};

}  // namespace mosavelle
