/* The web page's interface to the four programs, compiled to WebAssembly.
 *
 * The programs run as on the command line: argv holds the program's name and its
 * options and file names, long or short. Their files live in memory: the host puts
 * the source under the name it gives on the command line, runs the program and takes
 * the target back under its name. Standard output and error go to file descriptors 1
 * and 2 (WASI's fd_write), for the host to collect. Nothing touches a file system. */
#ifndef FIT_API_H
#define FIT_API_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Memory for the host to fill (names, arguments, file contents); freed by fit_free. */
void* fit_alloc(size_t size);
void fit_free(void* memory);

/* Puts a copy of the bytes under the name, replacing any file of that name; returns 0.
 * Memory running out here, as anywhere in the module, stops it with a trap: the host
 * starts a fresh instance. */
int fit_put_file(const char* name, const unsigned char* bytes, size_t size);

/* The file's size, or -1 when no such file is there; its bytes, valid until the files
 * change. */
long fit_file_size(const char* name);
const unsigned char* fit_file_data(const char* name);

/* Forgets every file. */
void fit_clear_files(void);

/* What the programs offer to choose from, as one JSON document made from their own
 * tables: for each program, "choices" maps a long option to the values it takes, and
 * codefit and datafit have "targets", each target's "name", "help" (what it is),
 * "extension" and, for codefit, "load" (its default load address in hexadecimal), the
 * default first. Valid while the module lives. */
const char* fit_choices(void);

/* Runs the program argv[0] names ("codefit", "datafit", "picfit" or "fitinfo", with or
 * without a folder before it) and returns its exit status; -1 for any other name.
 * Standard output and error are flushed before it returns. */
int fit_run(int argc, char** argv);

#ifdef __cplusplus
}
#endif

#endif
