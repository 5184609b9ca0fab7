// The precompiled headers' host targets compile the headers alone; this source gives them a body.
