/* pelmora-dds: the tool that libpelmora_dds runs through its C interface. */
#include <stddef.h>

#include "pelmora_dds/pelmora_dds.h"

int main(int argc, char ** argv)
{
  return pelmora_dds_main(argc, (const char * const *)argv, NULL, NULL, NULL);
}
