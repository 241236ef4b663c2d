#pragma once
// Where the writers' bytes go. Every byte of a workbook passes through a ByteSink,
// so the writers run the same against memory (tests, sizing passes) and a file.

#include <cstddef>
#include <cstdint>
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

// Large buffers grow a chunk of kChunkSize bytes at a time instead of
// reallocating, so a large buffer never briefly exists twice in memory (the
// export's peak-memory bound relies on this).
inline constexpr std::size_t kChunkBits = 21;
inline constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
struct FreeChunk {
    void operator()(std::uint8_t* p) const;
};
using Chunk = std::unique_ptr<std::uint8_t[], FreeChunk>;
// Uninitialised and aligned to its size (through the aligned operator new);
// throws std::bad_alloc.
Chunk allocateChunk();

// Keeps everything written, in chunks.
class ChunkedBuffer final : public ByteSink {
public:
    void write(const std::uint8_t* data, std::size_t size) override;
    std::uint64_t size() const { return size_; }
    // Copies bytes [begin, end) to `sink`.
    void copyTo(ByteSink& sink, std::uint64_t begin, std::uint64_t end) const;

private:
    std::vector<Chunk> chunks_;
    std::uint64_t size_ = 0;
};

}  // namespace excel
