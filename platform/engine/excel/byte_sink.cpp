#include "byte_sink.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace excel {

void FreeChunk::operator()(std::uint8_t* p) const {
    ::operator delete(p, std::align_val_t{kChunkSize});
}

Chunk allocateChunk() {
    void* p = ::operator new(kChunkSize, std::align_val_t{kChunkSize});
    // One 2 MB page instead of 512 small ones: fresh memory faults far less often.
    ::madvise(p, kChunkSize, MADV_HUGEPAGE);
    return Chunk(static_cast<std::uint8_t*>(p));
}

void ChunkedBuffer::write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const std::size_t used = size_ % kChunkSize;
        if (used == 0) chunks_.push_back(allocateChunk());
        const std::size_t n = std::min(size, kChunkSize - used);
        std::memcpy(chunks_.back().get() + used, data, n);
        data += n;
        size -= n;
        size_ += n;
    }
}

void ChunkedBuffer::copyTo(ByteSink& sink, std::uint64_t begin, std::uint64_t end) const {
    while (begin < end) {
        const std::size_t chunk = begin / kChunkSize;
        const std::size_t offset = begin % kChunkSize;
        const std::size_t n = std::min<std::uint64_t>(end - begin, kChunkSize - offset);
        sink.write(chunks_[chunk].get() + offset, n);
        begin += n;
    }
}

}  // namespace excel
