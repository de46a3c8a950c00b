#include "RawZip.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace {

void Put(std::string &out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

uint64_t Get(const std::string &in, size_t at, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(in[at + static_cast<size_t>(i)]);
    return value;
}

std::string RawDeflate(const std::string &contents) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, contents.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(contents.data()));
    stream.avail_in = static_cast<uInt>(contents.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

} // namespace

std::string ExtraField(uint16_t id, const std::string &data) {
    std::string field;
    Put(field, id, 2);
    Put(field, data.size(), 2);
    return field + data;
}

std::string BuildZip(const std::vector<RawEntry> &entries, const std::string &comment,
                     const std::string &prefix) {
    std::string file = prefix, central;
    for (const RawEntry &entry : entries) {
        const std::string data = entry.deflate ? RawDeflate(entry.contents) : entry.contents;
        const uint32_t crc =
            static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(entry.contents.data()),
                                        static_cast<uInt>(entry.contents.size())));
        const uint16_t method = entry.deflate ? 8 : 0;
        const uint16_t flags = entry.flags | (entry.dataDescriptor ? 0x0008 : 0);
        const uint32_t offset = static_cast<uint32_t>(file.size());

        Put(file, 0x04034b50, 4);
        Put(file, 20, 2);
        Put(file, flags, 2);
        Put(file, method, 2);
        Put(file, entry.time, 2);
        Put(file, entry.date, 2);
        Put(file, entry.dataDescriptor ? 0 : crc, 4);
        Put(file, entry.dataDescriptor ? 0 : data.size(), 4);
        Put(file, entry.dataDescriptor ? 0 : entry.contents.size(), 4);
        Put(file, entry.name.size(), 2);
        Put(file, entry.localExtra.size(), 2);
        file += entry.name + entry.localExtra + data;
        if (entry.dataDescriptor) {
            if (entry.descriptorSignature)
                Put(file, 0x08074b50, 4);
            Put(file, crc, 4);
            Put(file, data.size(), 4);
            Put(file, entry.contents.size(), 4);
        }
        file += entry.after;

        const std::string name = entry.centralName.value_or(entry.name);
        Put(central, 0x02014b50, 4);
        Put(central, 3 << 8 | 30, 2);
        Put(central, 20, 2);
        Put(central, entry.centralFlags.value_or(flags), 2);
        Put(central, entry.centralMethod.value_or(method), 2);
        Put(central, entry.centralTime.value_or(entry.time), 2);
        Put(central, entry.date, 2);
        Put(central, entry.centralCrc.value_or(crc), 4);
        Put(central, entry.centralCompressedSize.value_or(static_cast<uint32_t>(data.size())), 4);
        Put(central, entry.centralSize.value_or(static_cast<uint32_t>(entry.contents.size())), 4);
        Put(central, name.size(), 2);
        Put(central, entry.centralExtra.size(), 2);
        Put(central, entry.comment.size(), 2);
        Put(central, 0, 2);
        Put(central, 0, 2);
        Put(central, 0100644u << 16, 4);
        Put(central, offset, 4);
        central += name + entry.centralExtra + entry.comment;
    }
    const size_t centralOffset = file.size();
    file += central;
    Put(file, 0x06054b50, 4);
    Put(file, 0, 4);
    Put(file, entries.size(), 2);
    Put(file, entries.size(), 2);
    Put(file, central.size(), 4);
    Put(file, centralOffset, 4);
    Put(file, comment.size(), 2);
    return file + comment;
}

std::vector<StoredEntry> StoredEntries(const std::string &bytes) {
    std::vector<StoredEntry> entries;
    if (bytes.size() < 22)
        return entries;
    size_t end = bytes.size() - 22;
    while (end > 0 && Get(bytes, end, 4) != 0x06054b50)
        --end;
    const size_t count = Get(bytes, end + 10, 2);
    const size_t centralOffset = Get(bytes, end + 16, 4);
    std::vector<size_t> offsets;
    size_t at = centralOffset;
    for (size_t i = 0; i < count; ++i) {
        if (at + 46 > bytes.size() || Get(bytes, at, 4) != 0x02014b50)
            return {};
        const size_t length =
            46 + Get(bytes, at + 28, 2) + Get(bytes, at + 30, 2) + Get(bytes, at + 32, 2);
        StoredEntry entry;
        entry.record = bytes.substr(at, length);
        std::memset(entry.record.data() + 42, 0, 4);
        offsets.push_back(Get(bytes, at + 42, 4));
        entries.push_back(entry);
        at += length;
    }
    std::vector<size_t> starts(offsets);
    starts.push_back(centralOffset);
    std::sort(starts.begin(), starts.end());
    for (size_t i = 0; i < count; ++i) {
        const size_t next = *std::upper_bound(starts.begin(), starts.end(), offsets[i]);
        entries[i].bytes = bytes.substr(offsets[i], next - offsets[i]);
    }
    return entries;
}
