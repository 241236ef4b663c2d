#include "byte_sink.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <mutex>
#include <new>
#include <system_error>

namespace excel {

// Through the aligned operator new, so heap accounting that replaces it sees chunks.
void ChunkFree::operator()(std::uint8_t* p) const {
    ::operator delete(p, std::align_val_t{kChunkSize});
}

namespace {

Chunk makeChunk() {
    void* p = ::operator new(kChunkSize, std::align_val_t{kChunkSize});
    // Only a hint: without transparent huge pages the chunk works the same.
    ::madvise(p, kChunkSize, MADV_HUGEPAGE);
    // Touched here, so the kernel clears the memory now rather than on first use.
    auto* bytes = static_cast<volatile std::uint8_t*>(p);
    for (std::size_t i = 0; i < kChunkSize; i += 4096) bytes[i] = 0;
    return Chunk(static_cast<std::uint8_t*>(p));
}

}  // namespace

Chunk allocateChunk() {
    // Clearing fresh memory is a large share of building a big workbook: the next
    // chunk is made ready on another thread while this one fills the current one.
    static std::mutex mutex;
    static std::future<Chunk> next;
    std::lock_guard<std::mutex> lock(mutex);
    Chunk chunk = next.valid() ? next.get() : makeChunk();
    try {
        next = std::async(std::launch::async, makeChunk);
    } catch (const std::system_error&) {
        // No thread to spare: the next chunk is made when it is needed.
    }
    return chunk;
}

namespace {
constexpr std::size_t kLargeFrom = kChunkSize / 4;
}  // namespace

void* allocateLarge(std::size_t bytes) {
    if (bytes < kLargeFrom) return ::operator new(bytes);
    const std::size_t whole = (bytes + kChunkSize - 1) & ~(kChunkSize - 1);
    void* p = ::operator new(whole, std::align_val_t{kChunkSize});
    ::madvise(p, whole, MADV_HUGEPAGE);  // a hint, as for chunks
    return p;
}

void freeLarge(void* p, std::size_t bytes) {
    if (bytes < kLargeFrom) {
        ::operator delete(p);
    } else {
        ::operator delete(p, std::align_val_t{kChunkSize});
    }
}

void ChunkedBuffer::writeAcross(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        std::size_t used = size_ % kChunkSize;
        if (used == 0 && size_ / kChunkSize == chunks_.size()) {
            chunks_.push_back(allocateChunk());
        }
        std::size_t n = std::min(size, kChunkSize - used);
        std::memcpy(chunks_.back().get() + used, data, n);
        data += n;
        size -= n;
        size_ += n;
    }
}

void ChunkedBuffer::copyTo(ByteSink& sink, std::uint64_t begin, std::uint64_t end) const {
    while (begin < end) {
        std::size_t chunk = begin / kChunkSize;
        std::size_t offset = begin % kChunkSize;
        std::size_t n = std::min<std::uint64_t>(end - begin, kChunkSize - offset);
        sink.write(chunks_[chunk].get() + offset, n);
        begin += n;
    }
}

}  // namespace excel
