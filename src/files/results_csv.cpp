#include "files/results_csv.h"

#include "analysis/result_quantities.h"
#include "text/number_format.h"

namespace pelvar {

std::string NodeTableCsv(const ProblemData& data) {
  std::string csv = "node,x,w,Q,M\n";
  AssertCountsWithinLimits(data);
  const int last = data.elementCount;
  for (int j = 0; j <= last; ++j) {
    const ResultNode& node = data.nodes[static_cast<std::size_t>(j)];
    csv += FormatText("%d", j) + "," + ShortestRealText(node.x) + "," + ShortestRealText(node.w) +
           "," + ShortestRealText(node.Q) + "," + ShortestRealText(node.M) + "\n";
  }
  return csv;
}

std::string ElementTableCsv(const ProblemData& data) {
  std::string csv = "element,section,x0,x1,p\n";
  const ResultQuantities quantities = ComputeResultQuantities(data);
  int number = 0;
  for (const ElementResult& element : quantities.elements) {
    csv += FormatText("%d,%d,", ++number, element.section + 1) + ShortestRealText(element.x0) +
           "," + ShortestRealText(element.x1) + "," + ShortestRealText(element.p) + "\n";
  }
  return csv;
}

}  // namespace pelvar
