// libzip, loaded by the zip engine only when it needs it: to encrypt
// entries and to read the names of archives whose names are not plain
// ASCII. A common write-back then does not load libzip and its crypto
// library, which took about a tenth of the engine's own time.
#ifndef KEPLO_ENGINE_WRITER_LIB_ZIP_H
#define KEPLO_ENGINE_WRITER_LIB_ZIP_H

#include <memory>
#include <string>
#include <zip.h>

namespace writer {

// The libzip functions the engine calls, bound by name.
struct LibZip {
    decltype(&::zip_open) open;
    decltype(&::zip_discard) discard;
    decltype(&::zip_close) close;
    decltype(&::zip_strerror) strerror;
    decltype(&::zip_get_num_entries) get_num_entries;
    decltype(&::zip_stat_index) stat_index;
    decltype(&::zip_stat_init) stat_init;
    decltype(&::zip_file_extra_field_get_by_id) file_extra_field_get_by_id;
    decltype(&::zip_get_archive_comment) get_archive_comment;
    decltype(&::zip_error_init) error_init;
    decltype(&::zip_error_init_with_code) error_init_with_code;
    decltype(&::zip_error_strerror) error_strerror;
    decltype(&::zip_error_fini) error_fini;
    decltype(&::zip_error_set) error_set;
    decltype(&::zip_error_to_data) error_to_data;
    decltype(&::zip_source_make_command_bitmap) source_make_command_bitmap;
    decltype(&::zip_source_function) source_function;
    decltype(&::zip_source_free) source_free;
    decltype(&::zip_set_file_compression) set_file_compression;
    decltype(&::zip_file_add) file_add;
    decltype(&::zip_dir_add) dir_add;
    decltype(&::zip_file_set_mtime) file_set_mtime;
    decltype(&::zip_file_extra_field_set) file_extra_field_set;
    decltype(&::zip_file_set_external_attributes) file_set_external_attributes;
    decltype(&::zip_file_set_encryption) file_set_encryption;
    decltype(&::zip_encryption_method_supported) encryption_method_supported;
};

// Loads libzip on first use; nullptr, with the reason in error, when it or
// one of its functions cannot be found.
const LibZip *LoadLibZip(std::string &error);

// A libzip archive handle that discards itself.
struct LibZipDiscard {
    const LibZip *lib;
    void operator()(zip_t *archive) const { lib->discard(archive); }
};
using LibZipArchive = std::unique_ptr<zip_t, LibZipDiscard>;

} // namespace writer

#endif
