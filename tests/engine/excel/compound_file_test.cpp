// The compound-file container: the Workbook stream comes back byte for byte
// through an independent reader (olefile), small streams included, and write
// failures become the right errors.

#include "compound_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/error_codes.h"

namespace excel {
namespace {

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 251);
    return bytes;
}

// The Workbook stream as olefile reads it, hex-encoded.
std::string readStream(const std::string& path) {
    std::string command = std::string(CONVERTI_PYTHON) +
                          " -c \"import olefile,sys; f=olefile.OleFileIO(sys.argv[1]); "
                          "m=f.get_metadata(); print(f.root.clsid, m.creating_application); "
                          "print(f.openstream('Workbook').read().hex())\" '" +
                          path + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    EXPECT_EQ(::pclose(pipe), 0);
    return out;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string s;
    for (std::uint8_t b : bytes) {
        s.push_back(kHex[b >> 4]);
        s.push_back(kHex[b & 15]);
    }
    return s;
}

// Writes a compound file through `write` (given the descriptor and the path) into
// a fresh folder and checks that olefile reads back our class, the generator
// name and exactly `expected` as the Workbook stream.
void expectStream(const std::vector<std::uint8_t>& expected,
                  const std::function<void(int, const QString&)>& write) {
    char dir[] = "/tmp/excel_cfb.XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/out.xls";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    write(fd, QString::fromStdString(path));
    ::close(fd);
    EXPECT_EQ(readStream(path),
              "00020820-0000-0000-C000-000000000046 b'Converti'\n" + hex(expected) + "\n");
    ::unlink(path.c_str());
    ::rmdir(dir);
}

TEST(CompoundFile, StreamReadsBackByteForByte) {
    // Below the 4096-byte cutoff the stream lives in the mini stream; above it in
    // regular sectors; the odd sizes leave partial sectors.
    for (std::size_t size : {100u, 4095u, 4096u, 70001u}) {
        SCOPED_TRACE(size);
        const auto bytes = pattern(size);
        expectStream(bytes, [&](int fd, const QString& path) {
            writeCompoundFile(fd, path, [&](ByteSink& sink) {
                sink.write(bytes.data(), 7);  // pieces of assorted sizes
                sink.write(bytes.data() + 7, bytes.size() - 7);
            });
        });
    }
}

TEST(CompoundFile, FullDiskAndOtherFailures) {
    int full = ::open("/dev/full", O_WRONLY);
    if (full < 0) GTEST_SKIP() << "no /dev/full";
    const auto bytes = pattern(200000);
    try {
        writeCompoundFile(full, "out.xls",
                          [&](ByteSink& sink) { sink.write(bytes.data(), bytes.size()); });
        ADD_FAILURE() << "writing to a full disk succeeded";
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), engine::kErrDiskFull);
        EXPECT_TRUE(e.description().contains("out.xls"));
    }
    // A stream written in several goes meets the full disk at a write (once the
    // two megabytes the writes queue for the file are taken), not only when the
    // container is closed.
    {
        int writes = 0;
        int number = 0;
        try {
            writeCompoundFile(full, "out.xls", [&](ByteSink& sink) {
                for (; writes < 40; ++writes) sink.write(bytes.data(), bytes.size());
            });
        } catch (const converti::Error& e) {
            number = e.number();
        }
        EXPECT_EQ(number, engine::kErrDiskFull);
        EXPECT_LT(writes, 40);
    }
    ::close(full);

    // An error of the producer passes through unchanged.
    int fd = ::open("/dev/null", O_WRONLY);
    try {
        writeCompoundFile(fd, "out.xls", [](ByteSink&) {
            engine::raise(engine::kErrFieldTooLong, QStringLiteral("from the producer"));
        });
        ADD_FAILURE() << "no error";
    } catch (const converti::Error& e) {
        EXPECT_EQ(e.number(), engine::kErrFieldTooLong);
    }
    ::close(fd);
}

}  // namespace
}  // namespace excel
