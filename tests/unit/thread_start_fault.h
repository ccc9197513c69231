// The test program's own start_thread (a link seam: it takes the place of the library's), which a
// test can make refuse, as a system out of threads does.
#pragma once

// While set, every start_thread gives nothing.
void refuse_thread_starts(bool refuse);
