// Single instance ("Quillmara Mutex") and the administrator test.
#pragma once

// True when this is the only instance, or when the check itself failed.
bool CheckSingleInstance();
// Releases the mutex taken by CheckSingleInstance; the handle stays open.
void ReleaseInstanceMutex();
// True when the token (thread's, else process's) holds the Administrators
// group, enabled or deny-only alike.
bool IsAdmin();
