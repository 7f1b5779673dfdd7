// The blocks the runtime hands the program (texts it returns). Every block
// carries a 16-byte header saying whether it is a small block. A record
// search hands out a text for every record and gets it back at once, so
// small blocks are kept for reuse instead of going back to malloc each time.
#pragma once

#include <cstddef>
#include <vector>

namespace gr {

class BlockPool {
public:
    BlockPool() = default;
    ~BlockPool();
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    // Null when there is no memory for `size` bytes.
    void* allocate(size_t size);
    void release(void* block);
    // Blocks handed out and not yet released (leak check for tests).
    long outstanding() const { return outstanding_; }

private:
    long outstanding_ = 0;
    std::vector<void*> spare_; // small blocks released, kept for reuse
};

} // namespace gr
