#pragma once

// Include in exactly one source file of a program that shows windows. Under LeakSanitizer the
// desktop libraries below the toolkit keep caches for the life of the process and never free
// them; those are not our leaks. Neither is the toolkit's own notification pop-up, whose
// implementation object stays behind when a pop-up is still open at exit, nor the toolkit's GIF
// decoder, which drops a few hundred bytes when it refuses a frame. Weak, so that a program may
// bring its own list.
#if !defined(_WIN32)  // LeakSanitizer runs on Linux only
extern "C" __attribute__((weak, used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           "leak:wxGenericNotificationMessage::Init\n"
           "leak:wxGIFDecoder::LoadGIF\n";
}
#endif
