#pragma once

// ALSA loads its plugins with dlopen; a library one of them pulls in leaks a
// little at its initialisation and is unloaded again before the leak check
// of the sanitizer build runs. Let that pass, recognised by the full
// allocation stack through ALSA's loader (these hooks are read only by the
// sanitizer runtime). Include in one file of a test executable only.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:snd_dlopen\n";
}
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0:print_suppressions=0";
}
