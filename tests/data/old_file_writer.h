// A writer of the previous program's files for tests and benchmarks: records built field
// by field from texts, stored as that program stored them (texts blank-padded, in the DOS
// code page 852 in the five ledger files and in CP1250 in the others, encoded here with
// the system's iconv, not with the program's own tables), written in the flat-file format
// (the clauses in the keyed-file format) at their places under the old program's folder.
#pragma once

#include <iconv.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "data/oldfiles.h"
#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/flat/flat_file.h"
#include "platform/files/record.h"

namespace kvtest {

class OldFileWriter {
public:
    // Field values by column name ("SINTETIKA", "IZNOS"): texts in UTF-8, numbers as text.
    using Fields = std::vector<std::pair<std::string, std::string>>;

    explicit OldFileWriter(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // The file's place under the folder, as the take-over names it (with ".DAT" for the
    // flat files).
    static std::string DefaultName(kvadrin::OldFileId id) {
        using kvadrin::OldFileId;
        switch (id) {
            case OldFileId::INCEN: return "KVD/Cene.DAT";
            case OldFileId::INOBA: return "KVD/Obaveze.DAT";
            case OldFileId::INOBR: return "KVD/Obrac.DAT";
            case OldFileId::INSFA: return "KVD/Sfakt.DAT";
            case OldFileId::INSKL: return "KVD/Sklauzul";
            case OldFileId::INSPR: return "KVD/Sprom.DAT";
            case OldFileId::INKVD: return "KVD/Kvadrin.DAT";
            case OldFileId::INNLS: return "VRK/NALOZIS.DAT";
            case OldFileId::INNAZ: return "VRK/Nazivi.DAT";
            case OldFileId::INSIN: return "QAV/Sintetik.DAT";
            case OldFileId::INSKM: return "VRK/Skmatic.DAT";
            case OldFileId::INSKP: return "VRK/Skpromet.DAT";
        }
        return {};
    }
    static bool Ledger(kvadrin::OldFileId id) { return kvadrin::old_file_def(id).oem_text; }

    // One record in its stored form; fields not named are blank texts and zero numbers.
    static std::string Record(kvadrin::OldFileId id, const Fields& fields) {
        const rt::RecordLayout& layout = kvadrin::old_file_def(id).layout;
        std::string rec(layout.record_size, '\0');
        rt::clear_record(layout, rec.data());
        for (const auto& [name, value] : fields) {
            const rt::FieldDef* f = layout.field(name);
            if (!f || f->type == rt::FieldType::Group) throw std::invalid_argument("no field " + name);
            char* at = rec.data() + f->offset;
            switch (f->type) {
                case rt::FieldType::String:
                case rt::FieldType::CString: {
                    std::string text = Encode(value, Ledger(id) ? "IBM852" : "CP1250");
                    if (text.size() > f->size) throw std::invalid_argument(name + " does not fit");
                    std::memcpy(at, text.data(), text.size());
                    break;
                }
                case rt::FieldType::Byte: Put<std::uint8_t>(at, value); break;
                case rt::FieldType::Short: Put<std::int16_t>(at, value); break;
                case rt::FieldType::Long: Put<std::int32_t>(at, value); break;
                case rt::FieldType::Real: Put<double>(at, value); break;
                case rt::FieldType::Group: break;
            }
        }
        return rec;
    }

    // Writes the file under the folder at `relative` (its usual place when empty); the
    // path written.
    std::filesystem::path Write(kvadrin::OldFileId id, const std::vector<std::string>& records,
                                const std::string& relative = {}) const {
        const std::filesystem::path path = folder_ / (relative.empty() ? DefaultName(id) : relative);
        std::filesystem::create_directories(path.parent_path());
        const rt::TableDef& def = kvadrin::old_file_def(id);
        if (def.driver == rt::Driver::Flat) {
            if (rt::WriteFlatFile(path.string(), def.layout, records) != rt::kNoError)
                throw std::runtime_error("cannot write " + path.string());
            return path;
        }
        rt::TableDef keyed = def;
        keyed.create = true;
        std::vector<char> buffer(def.layout.record_size);
        rt::File file(keyed, buffer.data());
        // A file's name in the program is its text (CP1250), not its name on disk.
        file.BindName([p = rt::utf8_to_cp1250(path.string())] { return p; });
        if (file.Open() != rt::kNoError) throw std::runtime_error("cannot create " + path.string());
        for (const std::string& r : records) {
            std::memcpy(buffer.data(), r.data(), buffer.size());
            if (file.Add() != rt::kNoError) throw std::runtime_error("cannot add to " + path.string());
        }
        file.Close();
        return path;
    }

    const std::filesystem::path& folder() const { return folder_; }

private:
    template <typename T>
    static void Put(char* at, const std::string& value) {
        const T v = static_cast<T>(std::stod(value));
        std::memcpy(at, &v, sizeof v);
    }

    static std::string Encode(const std::string& utf8, const char* charset) {
        iconv_t cd = ::iconv_open(charset, "UTF-8");
        if (cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("no iconv for ") + charset);
        std::string out(utf8.size() * 2 + 1, '\0');
        char* in = const_cast<char*>(utf8.data());
        std::size_t in_left = utf8.size();
        char* to = out.data();
        std::size_t out_left = out.size();
        const std::size_t rc = ::iconv(cd, &in, &in_left, &to, &out_left);
        ::iconv_close(cd);
        if (rc == static_cast<std::size_t>(-1)) throw std::invalid_argument("cannot encode " + utf8);
        out.resize(out.size() - out_left);
        return out;
    }

    std::filesystem::path folder_;
};

}  // namespace kvtest
