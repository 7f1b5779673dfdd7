#include <gearhost/block_pool.hpp>

#include <cstdint>
#include <cstdlib>

namespace gr {

namespace {
constexpr size_t kBlockHeader = 16;
constexpr size_t kSmallBlock = 64; // bytes a small block holds
constexpr size_t kSpareLimit = 64; // small blocks kept at most
// Not under AddressSanitizer, which should see every block freed.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kReuseBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kReuseBlocks = false;
#else
constexpr bool kReuseBlocks = true;
#endif
#else
constexpr bool kReuseBlocks = true;
#endif
} // namespace

BlockPool::~BlockPool()
{
    for (void* base : spare_) std::free(base);
}

void* BlockPool::allocate(size_t size)
{
    const bool small = size <= kSmallBlock;
    void* base = nullptr;
    if (small && !spare_.empty()) {
        base = spare_.back();
        spare_.pop_back();
    } else {
        if (size > SIZE_MAX - kBlockHeader) return nullptr;
        base = std::malloc(kBlockHeader + (small ? kSmallBlock : size));
        if (base == nullptr) return nullptr;
        *static_cast<size_t*>(base) = small ? 1 : 0;
    }
    ++outstanding_;
    return static_cast<char*>(base) + kBlockHeader;
}

void BlockPool::release(void* block)
{
    if (block == nullptr) return;
    --outstanding_;
    void* base = static_cast<char*>(block) - kBlockHeader;
    if (kReuseBlocks && *static_cast<size_t*>(base) == 1 && spare_.size() < kSpareLimit) {
        spare_.push_back(base);
        return;
    }
    std::free(base);
}

} // namespace gr
