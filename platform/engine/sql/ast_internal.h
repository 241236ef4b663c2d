#pragma once
// The parsed WHERE expression, as parse() leaves it and Filter::compile() reads it.

#include <cstdint>
#include <memory>

#include "sql.h"

namespace sql {

enum class ExprKind : std::uint8_t { Literal, Column, Not, And, Or, Compare, Like, IsNull };
enum class CompareOp : std::uint8_t { Eq, Ne, Lt, Le, Gt, Ge };

struct Expr {
    ExprKind kind = ExprKind::Literal;
    CompareOp op = CompareOp::Eq;  // Compare
    bool negated = false;          // NOT LIKE, IS NOT NULL
    int depth = 1;                 // levels of the tree below and including this node
    // Literal: Null, Boolean, Long, Decimal (number also holds its nearest double),
    // Double, Date or Text.
    engine::Value literal;
    ColumnName column;            // Column
    std::unique_ptr<Expr> left;   // operand of Not, IsNull; left side otherwise
    std::unique_ptr<Expr> right;  // right side of And, Or, Compare, Like (the pattern)
};

}  // namespace sql
