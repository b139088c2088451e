#pragma once
// Arrays of millions of elements (a long task's columns): their memory comes
// in the system's large pages where it offers them, so that filling them
// costs a page fault per two megabytes rather than per four kilobytes, which
// is most of what filling them costs otherwise. Small arrays are as usual.
#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

namespace platform {

template <typename T>
class LargeArrayAllocator {
 public:
  using value_type = T;
  LargeArrayAllocator() = default;
  template <typename U>
  LargeArrayAllocator(const LargeArrayAllocator<U>&) {}

  T* allocate(size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes < kLarge) return static_cast<T*>(::operator new(bytes));
    void* p = std::aligned_alloc(kPage, Rounded(bytes));
    if (p == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(p, Rounded(bytes), MADV_HUGEPAGE);
#endif
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t n) {
    if (n * sizeof(T) < kLarge)
      ::operator delete(p);
    else
      std::free(p);
  }

  template <typename U>
  bool operator==(const LargeArrayAllocator<U>&) const { return true; }
  template <typename U>
  bool operator!=(const LargeArrayAllocator<U>&) const { return false; }

 private:
  static constexpr size_t kPage = size_t{2} << 20;
  static constexpr size_t kLarge = 2 * kPage;
  static size_t Rounded(size_t bytes) { return (bytes + kPage - 1) / kPage * kPage; }
};

template <typename T>
using LargeVector = std::vector<T, LargeArrayAllocator<T>>;

}  // namespace platform
