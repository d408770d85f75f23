#pragma once

// The little the peer program needs from its platform (PeerPlatform_<platform>.cpp).

// Writes to a connection the other side has closed must fail, not end the process.
void PreparePeerProcess();

// User and system CPU time of the process so far.
double ProcessCpuSeconds();
