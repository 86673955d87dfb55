#pragma once
// What the readers of the three families of old binary documents share: a
// stream read in bounded pieces, the first walk that sizes the pictures and
// the second that writes each distinct one once into the picture folder.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "core/base/progress.h"
#include "core/compound/compound_document.h"
#include "core/compound/office_art.h"
#include "core/text/text.h"

namespace dovrel {

// `length` bytes of a stream from `start`, read ahead in pieces: pictures
// are read in bounded pieces, never whole, whatever their size.
class StreamSource final : public ByteSource {
public:
    StreamSource(const StorageStream& stream, std::uint64_t start, std::uint64_t length);
    bool Read(std::size_t count, std::string& bytes) override;
    bool Skip(std::uint64_t count) override;
    std::uint64_t left() const { return end_ - next_ + (buffer_.size() - at_); }

private:
    bool Refill();

    const StorageStream& stream_;
    std::uint64_t next_;  // the stream offset after the buffer
    std::uint64_t end_;
    std::string buffer_;
    std::size_t at_ = 0;
};

// The first walk: every picture is opened (kind, first id, size) and none
// written, so a damaged one fails the run before anything is written and
// the bytes to write are known.
class PictureSizes final : public BlipVisitor {
public:
    bool Blip(const RecordHeader& header, ByteSource& body) override;
    bool Damaged() override;
    bool damaged() const { return damaged_; }
    std::uint64_t bytes() const { return bytes_; }
    std::uint64_t files() const { return files_; }

private:
    std::set<std::string> seen_;
    std::uint64_t bytes_ = 0;
    std::uint64_t files_ = 0;
    bool damaged_ = false;
};

// The second walk: each distinct picture once, numbered in the order they
// come, written piece by piece into scratchFolder + packageFolder.
// progress is told how far the pictures are, by the bytes written of
// totalBytes, as a percent never 100 before the end.
class PictureFolder final : public BlipVisitor {
public:
    PictureFolder(Text scratchFolder, Text packageFolder, std::uint64_t totalBytes, Progress* progress);

    // false once a stop was asked for or a picture failed: the walk then ends.
    bool Blip(const RecordHeader& header, ByteSource& body) override;
    // A damaged picture fails the run, as a damaged zip entry does.
    bool Damaged() override;

    int count() const { return count_; }
    bool failed() const { return failed_; }
    bool stopped() const { return stopped_; }

private:
    bool WritePicture(const BlipPicture& picture, ByteSource& body);
    // false once a stop was asked for.
    bool Tell();

    Text scratchFolder_;
    Text packageFolder_;
    std::uint64_t totalBytes_;
    Progress* progress_;
    std::set<std::string> seen_;
    std::uint64_t writtenBytes_ = 0;
    int count_ = 0;
    bool failed_ = false;
    bool stopped_ = false;
};

}  // namespace dovrel
