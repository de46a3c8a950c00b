#include "engine/writer/LibZip.h"

#include <dlfcn.h>

namespace writer {

namespace {

template <typename Function>
bool Bind(void *library, const char *name, Function &function, std::string &missing) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (function == nullptr && missing.empty())
        missing = name;
    return function != nullptr;
}

struct Loaded {
    LibZip functions{};
    bool ok = false;
    std::string error;
};

Loaded Load() {
    Loaded loaded;
    // The name the engine was built against, so that the same libzip's
    // functions are bound.
    void *library = dlopen(KEPLO_LIBZIP_SONAME, RTLD_LAZY | RTLD_LOCAL);
    if (library == nullptr) {
        const char *why = dlerror();
        loaded.error = std::string("cannot load ") + KEPLO_LIBZIP_SONAME + ": " +
                       (why != nullptr ? why : "not found");
        return loaded;
    }
    LibZip &f = loaded.functions;
    std::string missing;
    Bind(library, "zip_open", f.open, missing);
    Bind(library, "zip_discard", f.discard, missing);
    Bind(library, "zip_close", f.close, missing);
    Bind(library, "zip_strerror", f.strerror, missing);
    Bind(library, "zip_get_num_entries", f.get_num_entries, missing);
    Bind(library, "zip_stat_index", f.stat_index, missing);
    Bind(library, "zip_stat_init", f.stat_init, missing);
    Bind(library, "zip_file_extra_field_get_by_id", f.file_extra_field_get_by_id, missing);
    Bind(library, "zip_get_archive_comment", f.get_archive_comment, missing);
    Bind(library, "zip_error_init", f.error_init, missing);
    Bind(library, "zip_error_init_with_code", f.error_init_with_code, missing);
    Bind(library, "zip_error_strerror", f.error_strerror, missing);
    Bind(library, "zip_error_fini", f.error_fini, missing);
    Bind(library, "zip_error_set", f.error_set, missing);
    Bind(library, "zip_error_to_data", f.error_to_data, missing);
    Bind(library, "zip_source_make_command_bitmap", f.source_make_command_bitmap, missing);
    Bind(library, "zip_source_function", f.source_function, missing);
    Bind(library, "zip_source_free", f.source_free, missing);
    Bind(library, "zip_set_file_compression", f.set_file_compression, missing);
    Bind(library, "zip_file_add", f.file_add, missing);
    Bind(library, "zip_dir_add", f.dir_add, missing);
    Bind(library, "zip_file_set_mtime", f.file_set_mtime, missing);
    Bind(library, "zip_file_extra_field_set", f.file_extra_field_set, missing);
    Bind(library, "zip_file_set_external_attributes", f.file_set_external_attributes, missing);
    Bind(library, "zip_file_set_encryption", f.file_set_encryption, missing);
    Bind(library, "zip_encryption_method_supported", f.encryption_method_supported, missing);
    if (!missing.empty()) {
        loaded.error = std::string(KEPLO_LIBZIP_SONAME) + " has no function " + missing;
        return loaded; // the library stays loaded, as a loaded library does
    }
    loaded.ok = true;
    return loaded;
}

} // namespace

const LibZip *LoadLibZip(std::string &error) {
    static const Loaded loaded = Load();
    if (!loaded.ok) {
        error = loaded.error;
        return nullptr;
    }
    return &loaded.functions;
}

} // namespace writer
