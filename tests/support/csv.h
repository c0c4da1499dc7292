// The index files of the test pictures (files.csv): one map of column name
// to field per record.
#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace lintra::test {

// One CSV record; quoted fields may hold commas and doubled quotes.
inline std::vector<std::string> SplitCsvLine(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

inline std::vector<std::map<std::string, std::string>> ReadCsv(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::vector<std::map<std::string, std::string>> rows;
    if (!std::getline(in, line)) return rows;
    std::vector<std::string> names = SplitCsvLine(line);
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::vector<std::string> fields = SplitCsvLine(line);
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < names.size() && i < fields.size(); ++i) row[names[i]] = fields[i];
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace lintra::test
