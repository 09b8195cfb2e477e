// Preloaded into every process of the sanitizer test run: dlclose leaves libraries loaded.
//
// LeakSanitizer checks at exit. Memory that a library keeps in its globals is reachable while the
// library is loaded; once dlclose has unloaded it, that memory counts as leaked and its allocation
// stack points into a module that no longer exists, so no suppression can name it. Probing for
// optional engine libraries (CUDA's runtime allocates on load) and Mesa's driver, which the X
// display unloads, would report such leaks on every run. Keeping libraries loaded until exit lets
// the leak check see their globals and name their frames.
extern "C" int dlclose(void*)
{
    return 0;
}
