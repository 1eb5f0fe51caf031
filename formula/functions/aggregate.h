// Aggregation, counting and logic worksheet functions. Each runs inside an argument window opened
// by the dispatcher (TValueStack::BeginArgs(Count)), reads its arguments last-first and pushes exactly
// one result.
#pragma once

#include <functional>

#include "formula/evaluator/value_stack.h"

namespace formula::functions {

void Sum(TValueStack& S, int Count);
void Average(TValueStack& S, int Count);
void AverageA(TValueStack& S, int Count);
void Max(TValueStack& S, int Count);
void MaxA(TValueStack& S, int Count);
void Min(TValueStack& S, int Count);
void MinA(TValueStack& S, int Count);
void Product(TValueStack& S, int Count);
void SumSq(TValueStack& S, int Count);
// The number of number cells and numeric values of the arguments (pops them, pushes nothing).
int CountNumbers(TValueStack& S, int Count);
void CountA(TValueStack& S, int Count);
void CountBlank(TValueStack& S, int Count);
void And(TValueStack& S, int Count);
void Or(TValueStack& S, int Count);

// Runs function Id over the Count values at the top of the stack, pushing one result; used by
// SUBTOTAL and AGGREGATE for their nested calls.
using TNestedCall = std::function<void(int Id, int Count)>;
void Subtotal(TValueStack& S, int Count, const TNestedCall& Call);
void Aggregate(TValueStack& S, int Count, const TNestedCall& Call);

}  // namespace formula::functions
