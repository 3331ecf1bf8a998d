#pragma once
// Every area of the proposal screen, for code that reaches several of them.
#include "proposal/header/header_controller.h"
#include "proposal/observation/observation_area.h"
#include "proposal/product_lines/line_installments_area.h"
#include "proposal/product_lines/line_systems_area.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/readjustment/readjustment_controller.h"
#include "proposal/services/service_installments_area.h"
#include "proposal/services/service_objective_area.h"
#include "proposal/services/services_area.h"
#include "proposal/simulation/simulation_area.h"
#include "proposal/texts/texts_area.h"
#include "proposal/totals/totals_area.h"
