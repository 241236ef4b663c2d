#pragma once
// Where the writers' bytes go. Every byte of a workbook passes through a ByteSink,
// so the writers run the same against memory (tests, sizing passes) and a file.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace excel {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Takes all `size` bytes or throws; a sink never accepts part of a write.
    virtual void write(const std::uint8_t* data, std::size_t size) = 0;
};

// Keeps everything in one vector: for tests and small pieces.
class VectorSink final : public ByteSink {
public:
    void write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
    }
    std::vector<std::uint8_t> bytes;
};

// Counts and forgets: the sizing pass that finds stream offsets before the real write.
class CountingSink final : public ByteSink {
public:
    void write(const std::uint8_t*, std::size_t size) override { count += size; }
    std::uint64_t count = 0;
};

// A block of kChunkSize bytes, aligned to and advised as a huge page: filling tens
// of megabytes of 4 KB pages spent more time in page faults than in copying.
inline constexpr std::size_t kChunkBits = 21;
inline constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
struct ChunkFree {
    void operator()(std::uint8_t* p) const;
};
using Chunk = std::unique_ptr<std::uint8_t, ChunkFree>;
// Uninitialised; throws std::bad_alloc.
Chunk allocateChunk();

// Memory for a large array, in whole huge pages (advised) from a quarter of one
// on: filling megabytes of 4 KB pages cost more in page faults than the work
// done in them. Uninitialised; throws std::bad_alloc.
void* allocateLarge(std::size_t bytes);
void freeLarge(void* p, std::size_t bytes);

// For the writers' large vectors: string index, row extents and the like.
template <typename T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(allocateLarge(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { freeLarge(p, n * sizeof(T)); }
    friend bool operator==(const LargeAllocator&, const LargeAllocator&) { return true; }
};
template <typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

// The next capacity of a large array of `count` elements: 4 KB first, then
// straight to a whole huge page instead of doubling through fresh 4 KB pages (a
// fault each), then doubling.
template <typename T>
constexpr std::size_t largeGrowth(std::size_t count) {
    constexpr std::size_t kSmall = 4096 / sizeof(T);
    constexpr std::size_t kHuge = kChunkSize / sizeof(T);
    return count < kSmall ? kSmall : count < kHuge ? kHuge : count * 2;
}

// Call before adding to a large vector: a full one grows by largeGrowth().
template <typename T>
void growLarge(LargeVector<T>& v) {
    if (v.size() == v.capacity()) v.reserve(largeGrowth<T>(v.capacity()));
}

// Grows in fixed chunks instead of reallocating, so a large buffer never briefly
// exists twice in memory (the peak-memory bound of the export relies on this).
class ChunkedBuffer final : public ByteSink {
public:
    static constexpr std::size_t kChunkSize = excel::kChunkSize;

    void write(const std::uint8_t* data, std::size_t size) override {
        // Most writes are a cell record or two, well inside the current chunk.
        const std::size_t used = size_ % kChunkSize;
        if (used != 0 && size <= kChunkSize - used) {
            std::memcpy(chunks_.back().get() + used, data, size);
            size_ += size;
            return;
        }
        writeAcross(data, size);
    }
    std::uint64_t size() const { return size_; }
    // Copies bytes [begin, end) to `sink`.
    void copyTo(ByteSink& sink, std::uint64_t begin, std::uint64_t end) const;

private:
    void writeAcross(const std::uint8_t* data, std::size_t size);
    std::vector<Chunk> chunks_;
    std::uint64_t size_ = 0;
};

}  // namespace excel
