// A helper of scripts/test-cups-faults.sh: prints the attributes of the newest job on the
// print server ($CUPS_SERVER) that tell how it is to be printed, one "name value" a line.
#include <cups/cups.h>

#include <cstdio>
#include <cstring>
#include <string>

int main() {
  // The newest job: the one with the highest id.
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  if (!response) {
    std::fprintf(stderr, "Get-Jobs: %s\n", cupsLastErrorString());
    return 1;
  }
  int newest = 0;
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    if (ippGetName(a) && !std::strcmp(ippGetName(a), "job-id") && ippGetInteger(a, 0) > newest) {
      newest = ippGetInteger(a, 0);
    }
  }
  ippDelete(response);
  if (newest == 0) return 1;

  request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  std::string uri = "ipp://localhost/jobs/" + std::to_string(newest);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
  response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  if (!response) {
    std::fprintf(stderr, "Get-Job-Attributes: %s\n", cupsLastErrorString());
    return 1;
  }
  std::printf("job-id %d\n", newest);
  static const char* const wanted[] = {"job-name", "copies", "sides", "multiple-document-handling",
                                       "media"};
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    const char* name = ippGetName(a);
    if (!name || ippGetGroupTag(a) != IPP_TAG_JOB) continue;
    for (const char* w : wanted) {
      if (std::strcmp(name, w) != 0) continue;
      char value[256];
      ippAttributeString(a, value, sizeof value);
      std::printf("%s %s\n", name, value);
    }
  }
  ippDelete(response);
  return 0;
}
