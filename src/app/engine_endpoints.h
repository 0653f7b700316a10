// The download engine's share of the service addresses.
#ifndef QEL_APP_ENGINE_ENDPOINTS_H_
#define QEL_APP_ENGINE_ENDPOINTS_H_

#include "app/endpoints.h"

// Points the engine's HTTP-DNS queries at the endpoints' addresses.
void ConfigureEngineEndpoints(const Endpoints& endpoints);

#endif  // QEL_APP_ENGINE_ENDPOINTS_H_
