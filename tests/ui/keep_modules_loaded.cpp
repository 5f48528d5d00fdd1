// Preloaded into the compositor tests of the sanitizer build. Qt and Mesa
// unload their plugins and drivers as the process ends; LeakSanitizer then
// no longer sees what those modules' globals still hold, and reports the
// blocks as leaked from an unknown module. Keeping every module loaded lets
// it see them as the live data they are, while real leaks are still found.
extern "C" int dlclose(void*) { return 0; }
