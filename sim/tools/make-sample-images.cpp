// Writes the sample firmware images that the tests and the demo feed to the simulated bridge,
// at build time, so no binary file is kept in the repository.

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "RecordFormat.h"

namespace {

using Record = std::array<std::uint8_t, sim::record::kSize>;

const std::string kAcceptedKey = "\xB5TARVEL0";
const std::string kRefusedKey = "\xB5TARVEL7";

Record sealed(Record record) {
    record[sim::record::kChecksumIndex] = sim::record::checksumFor(record.data());
    return record;
}

// A data record: type, 16-bit address, then nine bytes of payload that vary with the address.
Record dataRecord(int index) {
    Record record{};
    record[0] = sim::record::kData;
    record[1] = static_cast<std::uint8_t>(index >> 8);
    record[2] = static_cast<std::uint8_t>(index);
    for (std::size_t i = 3; i < sim::record::kChecksumIndex; ++i) {
        record[i] = static_cast<std::uint8_t>(index * 7 + i * 31);
    }
    return sealed(record);
}

Record endRecord() {
    Record record{};
    record[0] = sim::record::kEnd;
    return sealed(record);
}

// dataRecords data records, then the end record.
std::vector<Record> image(int dataRecords) {
    std::vector<Record> records;
    for (int i = 0; i < dataRecords; ++i) {
        records.push_back(dataRecord(i));
    }
    records.push_back(endRecord());
    return records;
}

bool write(const std::string& path, const std::string& key, const std::vector<Record>& records) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << key;
    for (const Record& record : records) {
        file.write(reinterpret_cast<const char*>(record.data()), record.size());
    }
    file.close();
    if (!file) {
        std::fprintf(stderr, "make-sample-images: cannot write %s\n", path.c_str());
    }
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample-images OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";

    std::vector<Record> badChecksum = image(2);
    badChecksum[1][5] ^= 0x01;

    const bool written = write(folder + "accepted.frw", kAcceptedKey, image(299)) &&
                         write(folder + "three-records.frw", kAcceptedKey, image(2)) &&
                         write(folder + "wrong-key.frw", kRefusedKey, image(2)) &&
                         write(folder + "bad-checksum.frw", kAcceptedKey, badChecksum) &&
                         write(folder + "too-short.frw", kAcceptedKey.substr(0, 5), {});
    return written ? 0 : 1;
}
