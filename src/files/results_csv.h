#pragma once
// The result tables as CSV text for spreadsheets: LF line ends, every real as the shortest text
// that reads back to the same double.

#include <string>

#include "analysis/envelope.h"
#include "model/problem_data.h"

namespace pelvar {

// The header "node,x,w,Q,M", then nodes 0..elementCount; with supports two more columns,
// "reaction" and "reactionMoment", filled at the nodes of the supports. Where Q or M jumps at any
// node, Q and M are the values just left of each node and two columns more at the end, "QRight"
// and "MRight", hold those just right of it at the nodes where they jump, empty at the others.
std::string NodeTableCsv(const ProblemData& data);

// The header "element,section,x0,x1,p", then elements 1..elementCount with their section
// numbered from 1 and the soil pressure; only the header when the problem holds no results.
std::string ElementTableCsv(const ProblemData& data);

// The envelope's node table: the header "node,x,wMax,wMin,QMax,QMin,MMax,MMin", then nodes
// 0..elementCount of the problem it was made for.
std::string EnvelopeNodeTableCsv(const Envelope& envelope, int elementCount);

}  // namespace pelvar
