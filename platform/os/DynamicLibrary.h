// Loading a shared library by file name at run time and finding its entry points.
#pragma once

#include <string>
#include <utility>

class DynamicLibrary {
public:
    explicit DynamicLibrary(std::string sFileName) : m_sFileName(std::move(sFileName)) {}
    // The library stays loaded for the life of the process: entry points handed
    // out earlier stay valid.
    ~DynamicLibrary() = default;
    DynamicLibrary(const DynamicLibrary &) = delete;
    DynamicLibrary &operator=(const DynamicLibrary &) = delete;

    const std::string &FileName() const { return m_sFileName; }

    // Loads the library unless it is loaded already: first the file of that name in
    // the folder that holds the running executable, then in an installed copy's
    // private library folder (PrivateLibraryFolder), then by name through the
    // system's search path. False when none can be loaded (tried again on the next
    // call).
    bool Load();
    bool IsLoaded() const { return m_pHandle != nullptr; }

    // The address of the named entry point, loading the library first; nullptr when
    // the library cannot be loaded or does not export that name.
    void *EntryPoint(const std::string &sName);

    // Why the last Load or EntryPoint failed, as the system put it.
    const std::string &LastError() const { return m_sLastError; }

private:
    std::string m_sFileName;
    void *m_pHandle = nullptr;
    std::string m_sLastError;
};

// The file name of the running executable, without its folder ("keplo").
std::string ExecutableName();
