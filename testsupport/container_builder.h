#pragma once
namespace dec::testing {}
