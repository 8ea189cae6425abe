#include "files/results_csv.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "analysis/mesh.h"
#include "analysis/result_quantities.h"
#include "text/number_format.h"

namespace pelvar {

std::string NodeTableCsv(const ProblemData& data) {
  AssertCountsWithinLimits(data);
  // With supports, two more columns: what the support at a node gives the beam, empty at the
  // nodes without one.
  std::vector<int> pointAt;
  if (AnyPointHasSupport(data)) {
    auto mesh = std::make_unique<MeshData>();
    if (!BuildMesh(data, *mesh)) {
      pointAt.assign(mesh->nodePoint.begin(), mesh->nodePoint.begin() + data.elementCount + 1);
    }
  }
  std::string csv = pointAt.empty() ? "node,x,w,Q,M" : "node,x,w,Q,M,reaction,reactionMoment";
  // Where Q or M jumps, Q and M are the values left of the node and two more columns at the end
  // hold those right of it, so that a script reading the columns it knows reads on unchanged.
  const int last = data.elementCount;
  const auto nodes = data.nodes.begin();
  const bool jumps =
      std::any_of(nodes, nodes + last + 1, [](const ResultNode& node) { return Jumps(node); });
  csv += jumps ? ",QRight,MRight\n" : "\n";
  for (int j = 0; j <= last; ++j) {
    const ResultNode& node = data.nodes[static_cast<std::size_t>(j)];
    csv += FormatText("%d", j) + "," + ShortestRealText(node.x) + "," + ShortestRealText(node.w) +
           "," + ShortestRealText(node.Q) + "," + ShortestRealText(node.M);
    if (!pointAt.empty()) {
      const int p = pointAt[static_cast<std::size_t>(j)];
      csv += ",";
      if (p >= 0 && data.points[p].support.kind != SupportKind::None) {
        csv += ShortestRealText(data.reactions[p].force) + "," +
               ShortestRealText(data.reactions[p].moment);
      } else {
        csv += ",";
      }
    }
    // Appended piece by piece: g++ 12 at -O3 warns falsely of overlapping copies in
    // "literal" + std::string (its -Wrestrict).
    if (jumps) {
      csv += ',';
      if (Jumps(node)) csv += ShortestRealText(node.QRight);
      csv += ',';
      if (Jumps(node)) csv += ShortestRealText(node.MRight);
    }
    csv += "\n";
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

std::string EnvelopeNodeTableCsv(const Envelope& envelope, int elementCount) {
  std::string csv = "node,x,wMax,wMin,QMax,QMin,MMax,MMin\n";
  for (int j = 0; j <= elementCount && j < kMaxNodes; ++j) {
    const NodeEnvelope& node = envelope.nodes[static_cast<std::size_t>(j)];
    csv += FormatText("%d", j);
    for (const double value : {node.x, node.wMax.value, node.wMin.value, node.QMax.value,
                               node.QMin.value, node.MMax.value, node.MMin.value}) {
      csv += ',';
      csv += ShortestRealText(value);
    }
    csv += "\n";
  }
  return csv;
}

}  // namespace pelvar
