// Each family of operations declares its entries in a file of its own; the registry joins them in this order.
#pragma once

#include <vector>

#include "ivorel/operations/operation_registry.h"

namespace registry {

std::vector<Operation> filter_operations();
std::vector<Operation> colour_operations();
std::vector<Operation> geometry_operations();
std::vector<Operation> depth_operations();
std::vector<Operation> rank_operations();
std::vector<Operation> fill_operations();
std::vector<Operation> distortion_operations();
std::vector<Operation> artistic_operations();

}  // namespace registry
