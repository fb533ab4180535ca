#include "codec/image_backup.h"

#include "io/memory_stream.h"

namespace tevpng {

void ImageBackup::Keep(PngImage& image) {
    // Writing an empty image gives the signature alone, and a backup overwritten by it from
    // the start still held the earlier image behind it: so does this one.
    if (image.Chunks().empty() || !image.PrepareForSaving()) return;
    auto copy = std::make_unique<PngImage>();
    if (!copy->CopyFrom(image, HeaderChunk::Drawn::No)) return;
    copy->CompressionLevel = 0;
    copy_ = std::move(copy);
}

bool ImageBackup::RestoreInto(PngImage& image) {
    MemoryStream png;
    // Stored at level 0, the PNG is the pixels with a filter byte a row and a little
    // framing: room for that at once spares the copies of a stream grown step by step,
    // each into memory the system has to supply anew.
    const std::size_t held = HeldBytes();
    png.Reserve(held + held / 32 + 65536);
    if (copy_) copy_->SaveStream(png);
    png.Seek(0, SeekOrigin::Begin);
    return image.LoadStream(png);
}

std::size_t ImageBackup::HeldBytes() const {
    if (!copy_) return 0;
    std::size_t bytes = 0;
    for (const auto& chunk : copy_->Chunks()) {
        bytes += static_cast<std::size_t>(chunk->DataSize());
        if (const HeaderChunk* header = chunk->As<HeaderChunk>()) {
            bytes += header->PixelBytes();
            if (header->AlphaPlane()) bytes += static_cast<std::size_t>(header->Width) * header->Height;
        }
    }
    return bytes;
}

}  // namespace tevpng
