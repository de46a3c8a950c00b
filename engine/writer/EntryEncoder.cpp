#include "engine/writer/EntryEncoder.h"

#include "engine/common/ByteProgress.h"
#include "engine/writer/ZipRecords.h"

#include <algorithm>
#include <sys/stat.h>

namespace writer {

namespace {

constexpr size_t kPieceSize = 1u << 20;

NewEntryFacts FactsOf(const SelectedItem &item) {
    NewEntryFacts facts;
    facts.name = item.entryName;
    facts.folder = item.isFolder;
    facts.modified = item.modified.tv_sec;
    const mode_t mode = item.isFolder ? S_IFDIR | (item.mode & 07777) : item.mode;
    facts.externalAttributes = static_cast<uint32_t>(mode & 0xFFFF) << 16;
    return facts;
}

} // namespace

bool EntryEncoder::ReadFailed(const SelectedItem &file, const std::string &why) {
    m_outcome.readFailed = true;
    m_outcome.failure = "could not read " + file.fullPath + ": " + why;
    return false;
}

bool EntryEncoder::Stopped(const SelectedItem &item) {
    if (!m_callbacks.ServiceWantsStop(item.entryName))
        return false;
    m_outcome.cancelled = true;
    return true;
}

bool EntryEncoder::Write(const NewEntry &entry, ArchiveOutput &out, std::string &central) {
    const SelectedItem &file = *entry.item;
    if (file.isFolder)
        return WriteFolder(file, out, central);
    const DeflateJob &job = m_pipeline.Wait(entry.job);
    engine::ProgressShare share(engine::CallProgress(), job.size);
    if (job.state == DeflateJob::State::Failed)
        return ReadFailed(file, job.error);
    if (Stopped(file))
        return false;
    NewEntryFacts facts = FactsOf(file);
    facts.method = job.stored ? 0 : 8;
    facts.crc = job.crc;
    facts.size = job.size;
    facts.compressedSize = job.compressedSize;
    const uint64_t offset = out.Position();
    bool written = out.Write(LocalHeader(facts));
    if (written)
        written = job.streamed ? WriteStreamed(job, file, out, share)
                               : out.Write(job.data.get(), job.compressedSize);
    const std::string ratio = RatioText(job);
    m_pipeline.Release(entry.job);
    if (!written)
        return false;
    if (!m_quiet)
        m_callbacks.Print(std::string(entry.verb) + ": " + file.entryName + " (" + ratio + ")");
    central = CentralRecordOf(facts, offset);
    return true;
}

bool EntryEncoder::WriteFolder(const SelectedItem &folder, ArchiveOutput &out,
                               std::string &central) {
    if (Stopped(folder))
        return false;
    const NewEntryFacts facts = FactsOf(folder);
    const uint64_t offset = out.Position();
    if (!out.Write(LocalHeader(facts)))
        return false;
    if (!m_quiet)
        m_callbacks.Print("adding: " + folder.entryName + " (stored 0%)");
    central = CentralRecordOf(facts, offset);
    return true;
}

// A large file is compressed again while it is written; it must give
// exactly what the measuring pass counted, or the headers would lie.
bool EntryEncoder::WriteStreamed(const DeflateJob &job, const SelectedItem &file,
                                 ArchiveOutput &out, engine::ProgressShare &share) {
    StreamedDeflate stream;
    std::string error;
    if (!stream.Open(file.fullPath, !job.stored, error))
        return ReadFailed(file, error);
    if (!m_piece)
        m_piece.reset(new uint8_t[kPieceSize]);
    uint64_t produced = 0;
    uint64_t counted = 0;
    for (;;) {
        const size_t room =
            static_cast<size_t>(std::min<uint64_t>(kPieceSize, job.compressedSize - produced + 1));
        const int64_t got = stream.Read(m_piece.get(), room, error);
        if (got < 0)
            return ReadFailed(file, error);
        produced += static_cast<uint64_t>(got);
        if (produced > job.compressedSize ||
            (got == 0 && (produced != job.compressedSize || stream.BytesIn() != job.size ||
                          stream.Crc() != job.crc)))
            return ReadFailed(file, "the file changed while it was being packed");
        if (got == 0)
            return true;
        if (!out.Write(m_piece.get(), static_cast<size_t>(got)))
            return false;
        share.Add(stream.BytesIn() - counted);
        counted = stream.BytesIn();
    }
}

} // namespace writer
