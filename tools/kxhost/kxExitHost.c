/* kxexithost: the plainest host there is. It loads the plug-in, sends each
 * command of its command line and returns from main without unloading it,
 * so the plug-in is unloaded by the process's exit.
 *   kxexithost PLUGIN COMMAND...
 * A COMMAND is a number ("100") or a number, "=" and an ASCII text that
 * goes into Data ("500=/in/scan.pdf"). Prints one line per command, the
 * number and the answer; exits with 0 once every command was sent, 2 when
 * the plug-in cannot be loaded. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef int32_t (*WideExportFn)(int32_t, uint16_t*, int32_t, uint16_t*);

static uint16_t g_data[1 << 16];
static uint16_t g_error[1 << 12];

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: kxexithost PLUGIN COMMAND...\n");
    return 2;
  }
  void* plugin = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (plugin == NULL) {
    fprintf(stderr, "kxexithost: %s\n", dlerror());
    return 2;
  }
  WideExportFn wide = (WideExportFn)dlsym(plugin, "kxWideExport");
  if (wide == NULL) {
    fprintf(stderr, "kxexithost: kxWideExport missing\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    const char* text = strchr(argv[i], '=');
    size_t n = 0;
    if (text != NULL)
      for (++text; *text != '\0' && n + 1 < sizeof g_data / sizeof g_data[0]; ++text)
        g_data[n++] = (uint8_t)*text;
    g_data[n] = 0;
    g_error[0] = 0;
    const int32_t rc = wide((int32_t)atoi(argv[i]), g_data, 0, g_error);
    printf("%d -> %d\n", atoi(argv[i]), rc);
  }
  fflush(stdout);
  return 0; /* without dlclose */
}
