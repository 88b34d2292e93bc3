// node validate.mjs FILE: validates an OpenAPI description against the OpenAPI schema of its
// version and resolves every $ref; exit code 1 with the reason when it is not valid.
import SwaggerParser from "@apidevtools/swagger-parser";

const file = process.argv[2];
try {
  const api = await SwaggerParser.validate(file);
  const operations = Object.values(api.paths).flatMap((item) =>
    Object.keys(item).filter((k) => ["get", "put", "post", "delete"].includes(k)));
  console.log(`${file}: OpenAPI ${api.openapi} valid, ${operations.length} operations`);
  console.log("openapi-check: 1 passed, 0 failed");
} catch (error) {
  console.error(`${file}: ${error.message}`);
  console.log("openapi-check: 0 passed, 1 failed");
  process.exit(1);
}
